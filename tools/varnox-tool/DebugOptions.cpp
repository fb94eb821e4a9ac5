#include "DebugOptions.h"

#include "Arguments.h"

#include <cstdio>

#include "debugger/AddressText.h"
#include "debugger/SymbolFile.h"

namespace varnox::tool {
namespace {

bool NeedsNames(const DebugRunOptions& options) {
    return !options.breakText.empty() || !options.watchTexts.empty() || options.profile;
}

// --break FILE:LINE: the line's first word, from rom.sym's line rows. ""
// and the address set, or the problem.
std::string BreakAtSourceLine(Machine& m, const std::string& text, const DebugSession& session) {
    const SourcePlaceAddress place = ResolveSourcePlace(text, session.Lines);
    if (!place.Address) return "bad breakpoint line: " + text + " (" + place.Problem + ")";
    m.Run.BreakAddress = *place.Address;
    return {};
}

}  // namespace

std::string CheckDebugOptions(const DebugRunOptions& options) {
    // Without symbols only hex can be told good or bad yet; a name waits
    // for rom.sym.
    if (!options.breakText.empty() && !ParseNumber(options.breakText, 16, 0, 0xFFFF) && !IsSymbolName(options.breakText) &&
        !ParseSourcePlace(options.breakText)) {
        return "bad breakpoint address (hex, a name or FILE:LINE): " + options.breakText;
    }
    return {};
}

std::string ApplyDebugOptions(Machine& m, const DebugRunOptions& options, DebugSession& session,
                              const std::filesystem::path& dir) {
    if (!NeedsNames(options)) return {};
    SymbolLoad symbols = LoadSymbolsBeside(dir, m);
    for (const std::string& message : symbols.Messages) std::fprintf(stderr, "%s\n", message.c_str());
    session.Symbols = std::move(symbols.Table);
    session.Lines = std::move(symbols.Lines);
    if (!options.breakText.empty() && ParseSourcePlace(options.breakText)) {
        if (auto problem = BreakAtSourceLine(m, options.breakText, session); !problem.empty()) return problem;
    } else if (!options.breakText.empty()) {
        // A name wins over hex digits that spell it, as in the debugger.
        const Symbol* symbol = session.Symbols.Find(options.breakText);
        const auto hex = ParseNumber(options.breakText, 16, 0, 0xFFFF);
        if (!symbol && !hex) {
            return "bad breakpoint address: " + options.breakText + " (" +
                   ParseAddressText(options.breakText, session.Names()).Problem + ")";
        }
        m.Run.BreakAddress = symbol ? symbol->Address : static_cast<int32_t>(*hex);
    }
    for (const std::string& text : options.watchTexts) {
        const WatchRangeValue watch = ParseWatchText(text, session.Names());
        if (!watch.Range) return "bad watch: " + text + " (" + watch.Problem + ")";
        session.Watchpoints.Add(*watch.Range);
    }
    if (!options.watchTexts.empty()) session.Arm(m);
    return {};
}

}  // namespace varnox::tool
