// Reloading a rebuilt firmware: the new code runs from power-on with RAM
// kept, breakpoints and watchpoints set by name or line move with the
// code, those that no longer resolve are listed, and a ROM pair caught in
// the middle of being written is refused with the reason.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "asm/SourceAsm.h"
#include "core/Crc32.h"
#include "debugger/Refind.h"
#include "debugger/RomReload.h"
#include "debugger/Stepping.h"
#include "support/ScratchDir.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

// The second build puts two words before bump and drops `gone`.
constexpr std::string_view First =
    "start:  ldw ix,count\nloop:   cal bump\ngone:   jmp loop\nbump:   st (ix),&H07\n        rtn\n"
    "        ram &HC010\ncount:  ds 1\n";
constexpr std::string_view Second =
    "start:  ldw ix,count\nloop:   cal bump\n        jmp loop\n        nop\n        nop\nbump:   st (ix),&H07\n"
    "        rtn\n        ram &HC010\ncount:  ds 1\n";

void Build(const test::ScratchDir& dir, std::string_view source) {
    SourceOptions options;
    options.FileName = "prog.asm";
    const SourceImages images = AssembleSource(source, options);
    ASSERT_TRUE(images.Errors.empty());
    dir.Write("rom0.bin", images.Rom0);
    dir.Write("rom1.bin", images.Rom1);
    dir.WriteText("rom.sym", SymbolFileText(images.Labels, Crc32(images.Rom0), images.Lines, Crc32(images.Rom1)));
}

class Reload : public ::testing::Test {
protected:
    void SetUp() override {
        Build(dir, First);
        StartMachine(m);
        ASSERT_TRUE(ReloadFirmware(m, session, dir.path()).Loaded);
        std::string problem;
        for (const char* place : {"bump", "prog.asm:5", "0001", "gone"}) ASSERT_TRUE(AddBreakpointAt(session, place, problem));
        ASSERT_TRUE(AddWatchpointAt(session, "count:w", problem));
        m.DataRam[0x100] = 0x5A;
    }
    std::vector<uint16_t> Addresses() const {
        std::vector<uint16_t> addresses;
        for (const Breakpoint& breakpoint : session.Breakpoints.All()) addresses.push_back(breakpoint.Address);
        return addresses;
    }
    test::ScratchDir dir;
    Machine m;
    DebugSession session;
};

TEST_F(Reload, ANewBuildRunsWithItsBreakpointsFoundAgain) {
    Build(dir, Second);
    const ReloadResult result = ReloadFirmware(m, session, dir.path());
    ASSERT_TRUE(result.Loaded) << result.Refused;
    EXPECT_EQ(result.Lost, (std::vector<std::string>{"Breakpoint at gone: no symbol named 'gone'"}));
    EXPECT_EQ(Addresses(), (std::vector<uint16_t>{5, 4, 1}));  // bump, line 5 (now a nop), the bare address
    EXPECT_EQ(session.Watchpoints.Size(), 1u);
    EXPECT_EQ(m.DataRam[0x100], 0x5A);
    EXPECT_EQ(m.Cpu.PC, 0);
    session.Breakpoints.Remove(2);
    RunControl run = RunControl::Started(m.Config.OscFreq);
    ContinueRun(m, run, session);
    while (OnRunTimer(m, run) == RunStopKind::None) {
    }
    EXPECT_EQ(m.Cpu.PC, 5);  // the new bump
}

TEST_F(Reload, APairInTheMiddleOfBeingWrittenIsRefused) {
    struct Case {
        std::string_view file;
        int cut;           // bytes cut off the end
        int olderSeconds;  // how much older the file is made
        std::string_view reason;
    };
    const Case cases[] = {
        {"rom0.bin", 100, 0, "rom0.bin: 18332 bytes, not 18432"},
        {"rom1.bin", 0, 60, "rom0.bin is 60 s newer than rom1.bin"},
        {"rom0.bin", 0, 60, "rom1.bin is 60 s newer than rom0.bin"},
        {"rom.sym", 0, 0, "rom.sym: its checksum of rom0.bin does not match"},
    };
    for (const Case& c : cases) {
        Build(dir, Second);
        const std::filesystem::path file = dir.path() / c.file;
        if (c.cut) std::filesystem::resize_file(file, std::filesystem::file_size(file) - static_cast<uintmax_t>(c.cut));
        if (c.olderSeconds) {
            std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) - std::chrono::seconds(c.olderSeconds));
        }
        if (c.file == "rom.sym") Build(dir, First), dir.Write("rom0.bin", AssembleSource(Second).Rom0);
        const auto before = m.InstrRom;
        const ReloadResult result = ReloadFirmware(m, session, dir.path());
        EXPECT_FALSE(result.Loaded) << c.reason;
        EXPECT_NE(result.Refused.find(c.reason), std::string::npos) << result.Refused;
        EXPECT_EQ(m.InstrRom, before) << c.reason;
        EXPECT_EQ(Addresses(), (std::vector<uint16_t>{3, 4, 1, 2})) << c.reason;
    }
}

}  // namespace
}  // namespace varnox
