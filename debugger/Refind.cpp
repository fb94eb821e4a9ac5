#include "debugger/Refind.h"

#include "asm/SourceExpr.h"
#include "debugger/AddressText.h"
#include "debugger/ProgramPlace.h"

namespace varnox {
namespace {

// A watch's text names symbols when it does not read without them.
bool WatchNamesSymbols(std::string_view text) { return !ParseWatchText(text, nullptr).Range; }

// A source line as code: the comment (from a ";" outside quotes) dropped,
// runs of blanks made one, none at the ends, so that a retabbed or
// recommented line is the same code.
std::string CodeOf(std::string_view line) {
    std::string code;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (!quote && c == ';') break;
        if (quote && c == '\\' && i + 1 < line.size()) {
            code += c;
            code += line[++i];
            continue;
        }
        if (c == quote) {
            quote = 0;
        } else if (!quote && (c == '"' || c == '\'')) {
            quote = c;
        }
        const bool blank = !quote && (c == ' ' || c == '\t');
        if (blank && (code.empty() || code.back() == ' ')) continue;
        code += blank ? ' ' : c;
    }
    while (!code.empty() && code.back() == ' ') code.pop_back();
    return code;
}

}  // namespace

std::string CodeOfLineAt(DebugSession& session, uint16_t address) {
    const SourceLineRow* row = session.Lines.LineAt(address);
    return row ? CodeOf(session.Sources.LineText(row->File, row->Line)) : std::string();
}

std::optional<size_t> AddBreakpointAt(DebugSession& session, std::string_view text, std::string& problem) {
    BreakPlace place = ParseBreakPlace(text, session.Names(), session.Lines);
    if (!place.Address) {
        problem = place.Problem;
        return std::nullopt;
    }
    const size_t index = session.Breakpoints.Add(*place.Address);
    if (!place.Where.empty()) session.Breakpoints.SetWhere(index, std::move(place.Where));
    if (place.SourceLine) session.Breakpoints.SetCode(index, CodeOfLineAt(session, *place.Address));
    return index;
}

std::optional<size_t> AddWatchpointAt(DebugSession& session, std::string_view text, std::string& problem) {
    const WatchRangeValue watch = ParseWatchText(text, session.Names());
    if (!watch.Range) {
        problem = watch.Problem;
        return std::nullopt;
    }
    session.Watchpoints.Add(*watch.Range, WatchNamesSymbols(text) ? std::string(Trimmed(text)) : std::string());
    return session.Watchpoints.Size() - 1;
}

Refound RefindBreakpoints(DebugSession& session, const SymbolTable& before) {
    Refound refound;
    std::vector<std::string>& lost = refound.Lost;
    const SymbolTable* oldNames = before.Empty() ? nullptr : &before;
    for (size_t i = session.Breakpoints.Size(); i-- > 0;) {
        const Breakpoint breakpoint = session.Breakpoints.All()[i];
        const std::string label = breakpoint.Where.empty() ? CodePlace(breakpoint.Address, oldNames) : breakpoint.Where;
        std::string problem;
        if (!breakpoint.Where.empty()) {
            const BreakPlace place = ParseBreakPlace(breakpoint.Where, session.Names(), session.Lines);
            if (place.Address) session.Breakpoints.Move(i, *place.Address);
            problem = place.Problem;
            const std::string code = place.Address && place.SourceLine ? CodeOfLineAt(session, *place.Address) : std::string();
            if (!code.empty() && code != breakpoint.Code) {
                // Unread sources before tell nothing; otherwise the line moved under it.
                if (!breakpoint.Code.empty()) {
                    refound.OtherCode.insert(refound.OtherCode.begin(), Concat({breakpoint.Where, ": was '", Printable(breakpoint.Code),
                                                                                "', now '", Printable(code), "'"}));
                    session.Breakpoints.ResetHits(i);
                }
                session.Breakpoints.SetCode(i, code);
            }
        }
        if (problem.empty() && breakpoint.Condition) {
            const std::string condition = ConditionText(*breakpoint.Condition, oldNames);
            const ConditionValue again = ParseCondition(condition, session.Names());
            if (again.Condition) session.Breakpoints.SetCondition(i, again.Condition);
            problem = again.Problem;
        }
        if (problem.empty()) continue;
        lost.insert(lost.begin(), Concat({"Breakpoint at ", label, ": ", problem}));
        session.Breakpoints.Remove(i);
    }
    std::vector<std::string> watchesLost;  // walked from the end, so told in reverse
    for (size_t i = session.Watchpoints.Size(); i-- > 0;) {
        const Watchpoint watchpoint = session.Watchpoints.All()[i];
        if (watchpoint.Where.empty()) continue;
        const WatchRangeValue again = ParseWatchText(watchpoint.Where, session.Names());
        if (again.Range) {
            session.Watchpoints.Move(i, *again.Range);
            continue;
        }
        watchesLost.push_back(Concat({"Watchpoint ", watchpoint.Where, ": ", again.Problem}));
        session.Watchpoints.Remove(i);
    }
    lost.insert(lost.end(), watchesLost.rbegin(), watchesLost.rend());
    return refound;
}

}  // namespace varnox
