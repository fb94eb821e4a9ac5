#include "debugger/RomReload.h"

#include <chrono>
#include <memory>

#include "asm/SourceExpr.h"
#include "core/Crc32.h"
#include "debugger/HexText.h"
#include "debugger/Refind.h"
#include "debugger/SymbolFile.h"
#include "system/Files.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;

RomFilesStamp::File StampOf(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (error || !fs::is_regular_file(status)) return {};
    RomFilesStamp::File stamp{true, fs::file_size(file, error), fs::last_write_time(file, error)};
    return error ? RomFilesStamp::File{} : stamp;
}

// Why the file cannot be half of the pair, or "".
std::string SizeProblem(const fs::path& dir, const char* name, const RomFilesStamp::File& stamp, uintmax_t size) {
    const std::string file = (dir / name).string();
    if (!stamp.Present) return Concat({file, ": missing or not a regular file"});
    if (stamp.Size != size) {
        return Concat({file, ": ", std::to_string(stamp.Size), " bytes, not ", std::to_string(size),
                       " (still being written?)"});
    }
    return {};
}

std::string PairProblem(const fs::path& dir, const RomFilesStamp& stamp) {
    if (auto problem = SizeProblem(dir, Rom0FileName, stamp.Rom0, InstrRomBytes); !problem.empty()) return problem;
    if (auto problem = SizeProblem(dir, Rom1FileName, stamp.Rom1, DataRomBytes); !problem.empty()) return problem;
    const auto skew = std::chrono::round<std::chrono::seconds>(stamp.Rom0.Time - stamp.Rom1.Time).count();
    if (skew > RomPairSkewSeconds || -skew > RomPairSkewSeconds) {
        const bool rom0Newer = skew > 0;
        return Concat({(dir / (rom0Newer ? Rom0FileName : Rom1FileName)).string(), " is ",
                       std::to_string(rom0Newer ? skew : -skew), " s newer than ", rom0Newer ? Rom1FileName : Rom0FileName,
                       ": not one build (still being written?)"});
    }
    return {};
}

// Why the symbol file does not belong to the images, or "".
std::string ChecksumProblem(const fs::path& file, const SymbolLoad& symbols, const Machine& loaded) {
    const char* which = nullptr;
    if (symbols.Rom0Crc && *symbols.Rom0Crc != Crc32(loaded.InstrRom)) which = Rom0FileName;
    if (!which && symbols.Rom1Crc && *symbols.Rom1Crc != Crc32(loaded.DataRom)) which = Rom1FileName;
    if (!which) return {};
    return Concat({file.string(), ": its checksum of ", which, " does not match the file (still being written?)"});
}

}  // namespace

RomFilesStamp StampRomFiles(const fs::path& dir) {
    return {StampOf(dir / Rom0FileName), StampOf(dir / Rom1FileName), StampOf(dir / SymbolFileName)};
}

ReloadResult ReloadFirmware(Machine& m, DebugSession& session, const fs::path& dir) {
    ReloadResult result;
    if (result.Refused = PairProblem(dir, StampRomFiles(dir)); !result.Refused.empty()) return result;
    // Read into a machine of its own, so a failure leaves this one as it was.
    auto loaded = std::make_unique<Machine>();
    const LoadResult files = LoadFiles(*loaded, dir, {.Charset = false, .Rom1 = true, .Ram = false, .Registers = false});
    if (!files.Completed || files.Lacks(Rom0FileName) || files.Lacks(Rom1FileName)) {
        result.Refused = files.Messages.empty() ? Concat({dir.string(), ": the ROM files could not be read"})
                                                : files.Messages.front();
        return result;
    }
    const fs::path symbolFile = dir / SymbolFileName;
    std::error_code error;
    SymbolLoad symbols;
    if (fs::exists(fs::symlink_status(symbolFile, error))) {
        symbols = LoadSymbolFile(symbolFile, *loaded, SymbolTrust::Anyway);
        if (result.Refused = ChecksumProblem(symbolFile, symbols, *loaded); !result.Refused.empty()) return result;
    }
    result.Messages = std::move(symbols.Messages);
    m.InstrRom = loaded->InstrRom;
    m.DataRom = loaded->DataRom;
    PowerOnReset(m);
    const SymbolTable before = std::move(session.Symbols);
    session.Symbols = std::move(symbols.Table);
    session.Lines = std::move(symbols.Lines);
    session.Sources.Forget();
    Refound refound = RefindBreakpoints(session, before);
    result.Lost = std::move(refound.Lost);
    result.OtherCode = std::move(refound.OtherCode);
    for (std::string& lost : session.Expressions.Reresolve(session.Names())) result.Lost.push_back(std::move(lost));
    result.Loaded = true;
    return result;
}

}  // namespace varnox
