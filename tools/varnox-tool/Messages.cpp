#include "Messages.h"

#include <cstdio>

namespace varnox::tool {

void Complain(std::string_view text) { std::fprintf(stderr, "%s\n", ForTerminal(text).c_str()); }

}  // namespace varnox::tool
