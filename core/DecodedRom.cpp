#include "core/DecodedRom.h"

#include "core/Def.h"

namespace varnox {

void DecodedRom::Allocate() { words_ = std::make_unique<DecodedWord[]>(DecodedRomWords); }

DecodedRom::~DecodedRom() = default;

}  // namespace varnox
