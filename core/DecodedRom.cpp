#include "core/DecodedRom.h"

#include "core/Def.h"

namespace varnox {

DecodedRom::DecodedRom() : words_(std::make_unique<DecodedWord[]>(DecodedRomWords)) {}

DecodedRom::DecodedRom(const DecodedRom&) : DecodedRom() {}

DecodedRom::~DecodedRom() = default;

}  // namespace varnox
