#include "DebugOptions.h"

#include "Arguments.h"
#include "Messages.h"

#include <cstdio>

#include "debugger/AddressText.h"
#include "debugger/SymbolFile.h"

namespace varnox::tool {
namespace {

bool NeedsNames(const DebugRunOptions& options) {
    return options.breakGiven || !options.watchTexts.empty() || options.profile;
}

// --break FILE:LINE: the line's first word, from rom.sym's line rows. ""
// and the address set, or the problem.
std::string BreakAtSourceLine(RunStops& stops, const std::string& text, const DebugSession& session) {
    const SourcePlaceAddress place = ResolveSourcePlace(text, session.Lines);
    if (!place.Address) return "bad breakpoint line: " + text + " (" + place.Problem + ")";
    stops.BreakAddress = *place.Address;
    return {};
}

}  // namespace

std::string CheckDebugOptions(const DebugRunOptions& options) {
    // Without symbols only hex can be told good or bad yet; a name waits
    // for rom.sym.
    if (options.breakGiven && !ParseAddressText(options.breakText, nullptr).Address && !IsSymbolName(options.breakText) &&
        !ParseSourcePlace(options.breakText)) {
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
    if (options.breakGiven && ParseSourcePlace(options.breakText)) {
        if (auto problem = BreakAtSourceLine(stops, options.breakText, session); !problem.empty()) return problem;
    } else if (options.breakGiven) {
        // A name wins over hex digits that spell it, as in the debugger.
        const AddressValue address = ParseAddressText(options.breakText, session.Names());
        if (!address.Address) return "bad breakpoint address: " + options.breakText + " (" + address.Problem + ")";
        if (address.Named && address.Named->Space == SymbolSpace::Data) {
            return "bad breakpoint address: " + options.breakText + " is a data name; the program counter never goes there";
        }
        stops.BreakAddress = *address.Address;
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
