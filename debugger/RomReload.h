// Reloading the firmware after a rebuild: rom0.bin, rom1.bin and rom.sym
// read again from the machine's folder, the machine restarted as at
// power-on with its RAM kept, and the breakpoints and watchpoints set by
// name or by line found again in the new build. A ROM pair still being
// written is not loaded.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/Def.h"
#include "debugger/DebugSession.h"

namespace varnox {

// Seconds one ROM file may be newer than the other in one build.
constexpr int RomPairSkewSeconds = 5;

// What the files of a build look like from outside: a change to any of
// them changes the stamp (for a watch that reloads after a rebuild).
struct RomFilesStamp {
    struct File {
        bool Present = false;
        uintmax_t Size = 0;
        std::filesystem::file_time_type Time{};
        bool operator==(const File&) const = default;
    };
    File Rom0, Rom1, Symbols;
    bool operator==(const RomFilesStamp&) const = default;
};
RomFilesStamp StampRomFiles(const std::filesystem::path& dir);

struct ReloadResult {
    bool Loaded = false;
    std::string Refused;                // why nothing was loaded, naming the file; "" when loaded
    std::vector<std::string> Messages;  // about rom.sym, one a line
    std::vector<std::string> Lost;      // breakpoints and watchpoints that no longer resolve, removed
    std::vector<std::string> OtherCode;  // breakpoints whose line now holds other code, their hits from 0
};

// Loads the build in dir into the machine and the session (its sources
// read again when next shown), or, when the
// pair is incomplete (a file missing or of the wrong size, one more than
// RomPairSkewSeconds newer than the other, a checksum in rom.sym that does
// not match), changes nothing and says why.
ReloadResult ReloadFirmware(Machine& m, DebugSession& session, const std::filesystem::path& dir);

}  // namespace varnox
