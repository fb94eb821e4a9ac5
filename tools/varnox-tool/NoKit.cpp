// The tool that assembles the default firmware is built before the kit
// that firmware goes into: it carries none.
#include "system/DefaultKit.h"

namespace varnox {

std::span<const KitFile> DefaultKit() { return {}; }

}  // namespace varnox
