// Breakpoints and watchpoints set by a name or a source line rather than
// a bare address: they keep the text they were set by, so that after a
// reload of a new build they are found again where that text now points.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/Symbols.h"
#include "debugger/DebugSession.h"

namespace varnox {

// Adds a breakpoint at the place the text gives, remembering a name or a
// line; nothing, with the problem, when the text gives no place.
std::optional<size_t> AddBreakpointAt(DebugSession& session, std::string_view text, std::string& problem);

// Adds a watchpoint from its text ("count:w", "C010-C01F"), remembering
// the text when it names symbols; nothing, with the problem, when it is
// not one.
std::optional<size_t> AddWatchpointAt(DebugSession& session, std::string_view text, std::string& problem);

// With the session's new symbols, lines and sources in place: moves the
// breakpoints and watchpoints set by a name or a line (conditions too, read
// again with the names `before` gave them) to where the new build puts
// them, removes those that no longer resolve and describes each removed one
// ("Breakpoint at calc_enter: no symbol named ..."). Bare addresses stay.
// A breakpoint set by a line is found again by its line; when that line
// now holds other code (an edit above it) its hits count from 0 again, and
// it is described ("main.asm:7: was 'cal wait', now 'jmp loop'").
struct Refound {
    std::vector<std::string> Lost;
    std::vector<std::string> OtherCode;
};
Refound RefindBreakpoints(DebugSession& session, const SymbolTable& before);

// The code of the source line that placed the word at the address: its
// text without comment and with blanks run together, or "" when the
// sources do not tell.
std::string CodeOfLineAt(DebugSession& session, uint16_t address);

}  // namespace varnox
