#include "debugger/SymbolFile.h"

#include "asm/SourceExpr.h"
#include "debugger/HexText.h"
#include "system/BoundedRead.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

// Far more than the labels two ROMs can hold.
constexpr size_t MaxSymbolFileBytes = size_t{16} << 20;

}  // namespace

SymbolLoad LoadSymbolFile(const std::filesystem::path& file, const Machine& m, SymbolTrust trust) {
    SymbolLoad load;
    const std::string name = file.string();
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) {
        load.Messages.push_back(Concat({name, ": no such file"}));
        return load;
    }
    load.Found = true;
    std::vector<uint8_t> bytes;
    if (const auto problem = ReadBoundedFile(file, MaxSymbolFileBytes, "symbol file", bytes)) {
        load.Messages.push_back(Concat({name, ": cannot be read: ", *problem}));
        return load;
    }
    const std::string text(bytes.begin(), bytes.end());
    ParsedSymbols parsed = ParseSymbolText(text, name);
    load.Messages = std::move(parsed.Messages);
    if (parsed.Rom0Crc && *parsed.Rom0Crc != Crc32(m.InstrRom)) {
        if (trust == SymbolTrust::MatchingImageOnly) {
            load.Messages.push_back(Concat({name, ": written for another rom0.bin (an older build?): its symbols are not used"}));
            return load;
        }
        load.Messages.push_back(Concat({name, ": written for another rom0.bin (an older build?): names may be wrong"}));
    }
    // A code name must stand on an instruction-ROM word, where a listing line starts.
    for (const Symbol& symbol : parsed.Table.All()) {
        if (symbol.Space == SymbolSpace::Code && symbol.Address >= DataInstrStart) {
            load.Messages.push_back(Concat({name, ": code symbol '", symbol.Name, "' at ", HexText(symbol.Address, 4),
                                            " is not an instruction-ROM word; left out"}));
            continue;
        }
        load.Table.Add(symbol);
    }
    for (const SourceLineRow& row : parsed.Lines) load.Lines.Add(row);
    load.Rom0Crc = parsed.Rom0Crc;
    load.Rom1Crc = parsed.Rom1Crc;
    return load;
}

SymbolLoad LoadSymbolsBeside(const std::filesystem::path& dir, const Machine& m) {
    const std::filesystem::path file = dir / SymbolFileName;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) return {};
    return LoadSymbolFile(file, m, SymbolTrust::MatchingImageOnly);
}

}  // namespace varnox
