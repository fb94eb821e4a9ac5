#include "debugger/Refind.h"

#include "asm/SourceExpr.h"
#include "debugger/AddressText.h"
#include "debugger/ProgramPlace.h"

namespace varnox {
namespace {

// A watch's text names symbols when it does not read without them.
bool WatchNamesSymbols(std::string_view text) { return !ParseWatchText(text, nullptr).Range; }

}  // namespace

std::optional<size_t> AddBreakpointAt(DebugSession& session, std::string_view text, std::string& problem) {
    BreakPlace place = ParseBreakPlace(text, session.Names(), session.Lines);
    if (!place.Address) {
        problem = place.Problem;
        return std::nullopt;
    }
    const size_t index = session.Breakpoints.Add(*place.Address);
    if (!place.Where.empty()) session.Breakpoints.SetWhere(index, std::move(place.Where));
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

std::vector<std::string> RefindBreakpoints(DebugSession& session, const SymbolTable& before) {
    std::vector<std::string> lost;
    const SymbolTable* oldNames = before.Empty() ? nullptr : &before;
    for (size_t i = session.Breakpoints.Size(); i-- > 0;) {
        const Breakpoint breakpoint = session.Breakpoints.All()[i];
        const std::string label = breakpoint.Where.empty() ? CodePlace(breakpoint.Address, oldNames) : breakpoint.Where;
        std::string problem;
        if (!breakpoint.Where.empty()) {
            const BreakPlace place = ParseBreakPlace(breakpoint.Where, session.Names(), session.Lines);
            if (place.Address) session.Breakpoints.Move(i, *place.Address);
            problem = place.Problem;
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
    return lost;
}

}  // namespace varnox
