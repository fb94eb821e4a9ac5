#include "DebugOptions.h"

#include "Arguments.h"
#include "Messages.h"

#include <cstdio>

#include "debugger/ProgramPlace.h"
#include "debugger/SymbolFile.h"

namespace varnox::tool {
namespace {

bool NeedsNames(const DebugRunOptions& options) {
    return options.breakGiven || !options.watchTexts.empty() || options.profile;
}

}  // namespace

std::string CheckDebugOptions(const DebugRunOptions& options) {
    // Without symbols only the shape can be told good or bad yet; a name
    // or a line waits for rom.sym.
    if (options.breakGiven && !LooksLikePlace(options.breakText, true)) {
        return "bad breakpoint address (hex, a name or FILE:LINE): " + options.breakText;
    }
    return {};
}

std::string ApplyDebugOptions(Machine& m, RunStops& stops, const DebugRunOptions& options, DebugSession& session,
                              const std::filesystem::path& dir) {
    if (!NeedsNames(options)) return {};
    SymbolLoad symbols = LoadSymbolsBeside(dir, m);
    for (const std::string& message : symbols.Messages) std::fprintf(stderr, "%s\n", message.c_str());
    session.Symbols = std::move(symbols.Table);
    session.Lines = std::move(symbols.Lines);
    if (options.breakGiven) {
        // A name wins over hex digits that spell it, as in the debugger.
        const BreakPlace place = ParseBreakPlace(options.breakText, session.Names(), session.Lines);
        if (!place.Address) {
            return (place.SourceLine ? "bad breakpoint line: " : "bad breakpoint address: ") + options.breakText +
                   " (" + place.Problem + ")";
        }
        if (place.Named && place.Named->Space == SymbolSpace::Data) {
            return "bad breakpoint address: " + options.breakText + " is a data name; the program counter never goes there";
        }
        stops.BreakAddress = *place.Address;
    }
    for (const std::string& text : options.watchTexts) {
        const WatchRangeValue watch = ParseWatchText(text, session.Names());
        if (!watch.Range) return "bad watch: " + text + " (" + watch.Problem + ")";
        if (watch.Range->CodeName) {
            Complain("varnox-tool run: --watch " + text + " names code; it watches the data address of the same number");
        }
        session.Watchpoints.Add(*watch.Range);
    }
    if (!options.watchTexts.empty()) session.Arm(m, stops);
    return {};
}

}  // namespace varnox::tool
