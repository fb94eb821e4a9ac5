// Addresses as the debugger and varnox-tool show them, with the names that
// stand for them. As a user types them they are read by ProgramPlace.h.
#pragma once

#include <cstdint>
#include <string>

#include "asm/Symbols.h"
#include "debugger/ProgramPlace.h"

namespace varnox {

// "1234", or "1234 calc_enter" when a name stands for the address.
std::string AddressWithName(uint16_t address, const SymbolTable* symbols, SymbolSpace space);

// "calc_enter+3": the nearest code name at or below the address, with the
// distance, or the hex address when there is none within reach.
std::string CodePlace(uint16_t address, const SymbolTable* symbols);

}  // namespace varnox
