#include "debugger/AddressText.h"

#include "asm/SourceExpr.h"
#include "core/Def.h"
#include "debugger/HexText.h"

namespace varnox {
namespace {

constexpr int MaxPlaceDistance = 0x400;

}  // namespace

std::string AddressWithName(uint16_t address, const SymbolTable* symbols, SymbolSpace space) {
    std::string text = HexText(address, 4);
    if (symbols) {
        if (const std::string* name = symbols->NameAt(space, address)) text = Concat({text, " ", *name});
    }
    return text;
}

std::string CodePlace(uint16_t address, const SymbolTable* symbols) {
    if (symbols && !symbols->Empty()) {
        const SymbolSpace space = address < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data;
        for (int distance = 0; distance <= MaxPlaceDistance && distance <= address; ++distance) {
            const std::string* name = symbols->NameAt(space, static_cast<uint16_t>(address - distance));
            if (!name) continue;
            return distance == 0 ? *name : Concat({*name, "+", std::to_string(distance)});
        }
    }
    return HexText(address, 4);
}

}  // namespace varnox
