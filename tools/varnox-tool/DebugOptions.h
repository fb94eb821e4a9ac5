// The debugger's options of varnox-tool run: --break with a hex address, a
// name of rom.sym or a source line FILE:LINE, --watch ADDR[-ADDR][:r|w|rw], and --trace-regs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/Def.h"
#include "debugger/DebugSession.h"
#include "system/RunControl.h"

namespace varnox::tool {

struct DebugRunOptions {
    std::string breakText;
    bool breakGiven = false;
    std::vector<std::string> watchTexts;
    bool traceRegs = false;
    bool profile = false;  // the profile wants the names and lines of rom.sym
};

// What can be checked before the machine is loaded: "" or the problem.
std::string CheckDebugOptions(const DebugRunOptions& options);

// Resolves the names (rom.sym in dir, read once the ROMs are loaded), sets
// the breakpoint and arms the watches among the run's stops. "" or the
// problem.
std::string ApplyDebugOptions(Machine& m, RunStops& stops, const DebugRunOptions& options, DebugSession& session,
                              const std::filesystem::path& dir);

}  // namespace varnox::tool
