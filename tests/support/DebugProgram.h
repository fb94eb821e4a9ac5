// What the debugger's tests run and name, with and without a window.
#pragma once

#include <string_view>

#include "asm/Symbols.h"

namespace varnox::test {

// Words 0..9, one a line from line 1: main calls outer, outer calls inner,
// which counts in RAM.
constexpr std::string_view DebugProgram =
    "main:   ldw sp,&HE000\n"
    "        ldw ix,count\n"
    "again:  cal outer\n"
    "after:  jmp again\n"
    "outer:  cal inner\n"
    "        rtn\n"
    "inner:  ld r6,(ix+&H00)\n"
    "        ad r6,&H01\n"
    "        st (ix+&H00),r6\n"
    "        rtn\n"
    "        ram &HC010\n"
    "count:  ds 1\n";

// A code name, a data name, and a data name that reads as four hex digits.
inline SymbolTable PlaceNames() {
    SymbolTable table;
    table.Add({SymbolSpace::Code, 0x0012, "loop"});
    table.Add({SymbolSpace::Data, 0xC010, "count"});
    table.Add({SymbolSpace::Data, 0x0CAF, "cafe"});
    return table;
}

}  // namespace varnox::test
