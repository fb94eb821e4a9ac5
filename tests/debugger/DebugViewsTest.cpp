// The debugger's reading aids without a window: addresses and watches as
// typed, every memory space with its addresses and search, the register
// view's marks, breakpoint bookkeeping, and stepping over calls made from
// code in data memory.
#include <gtest/gtest.h>

#include <string>

#include "asm/SourceAsm.h"
#include "debugger/AddressText.h"
#include "debugger/CallStack.h"
#include "debugger/MachineViews.h"
#include "debugger/MemorySpaces.h"
#include "debugger/Stepping.h"
#include "support/AsmProgram.h"
#include "support/DebugProgram.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

using test::PlaceNames;

TEST(AddressText, AddressesAndWatchesAsTyped) {
    const SymbolTable names = PlaceNames();
    struct Case {
        std::string_view text;
        int address;  // -1: refused
    };
    const Case addresses[] = {
        {"12ab", 0x12AB}, {"&H12AB", 0x12AB}, {"0x0010", 0x10}, {"$ff", 0xFF}, {" loop ", 0x12},
        {"cafe", 0x0CAF}, {"CAFE", 0xCAFE},  {"12345", -1},     {"", -1},       {"nowhere", -1}, {"1g", -1},
    };
    for (const Case& c : addresses) {
        const AddressValue value = ParseAddressText(c.text, &names);
        EXPECT_EQ(value.Address ? *value.Address : -1, c.address) << c.text;
        EXPECT_EQ(value.Problem.empty(), c.address >= 0) << c.text;
    }
    struct WatchCase {
        std::string_view text;
        int first, last, kinds;  // first -1: refused
    };
    const WatchCase watches[] = {
        {"count", 0xC010, 0xC010, AccessRead | AccessWrite}, {"count:w", 0xC010, 0xC010, AccessWrite},
        {"C000-C0FF:r", 0xC000, 0xC0FF, AccessRead},          {"loop-count:rw", 0x12, 0xC010, AccessRead | AccessWrite},
        {"C010-C000", -1, 0, 0},                              {"count:x", -1, 0, 0},
        {"count-", -1, 0, 0},
    };
    for (const WatchCase& c : watches) {
        const WatchRangeValue value = ParseWatchText(c.text, &names);
        ASSERT_EQ(value.Range.has_value(), c.first >= 0) << c.text;
        if (!value.Range) continue;
        EXPECT_EQ(value.Range->First, c.first) << c.text;
        EXPECT_EQ(value.Range->Last, c.last) << c.text;
        EXPECT_EQ(value.Range->Kinds, c.kinds) << c.text;
    }
    EXPECT_EQ(CodePlace(0x15, &names), "loop+3");
    EXPECT_EQ(CodePlace(0x11, &names), "0011");
    EXPECT_EQ(AddressWithName(0xC010, &names, SymbolSpace::Data), "C010 count");
}

TEST(MemorySpaces, ShownAddressesRoundTripAndRamIsSeenEverywhere) {
    for (int i = 0; i < MemorySpaceCount; ++i) {
        const auto space = static_cast<MemorySpace>(i);
        for (uint32_t offset = 0; offset < MemorySpaceSize(space); ++offset) {
            ASSERT_EQ(OffsetOfAddress(space, ShownAddress(space, offset)), offset) << MemorySpaceName(space);
        }
        EXPECT_FALSE(OffsetOfAddress(space, 0x10000));
    }
    // The data ROM as the processor reads it; RAM from any of its views.
    Machine m;
    m.DataRom[0x4000] = 0xA5;
    EXPECT_EQ(ReadMemory(m, MemorySpace::DataRom, *OffsetOfAddress(MemorySpace::DataRom, 0x8000)), 0xA5);
    EXPECT_EQ(MemReadUngated(m, 0x8000), 0xA5);
    EXPECT_FALSE(OffsetOfAddress(MemorySpace::DataRom, 0x4000));
    EXPECT_EQ(OffsetOfAddress(MemorySpace::Ram, 0x4010), OffsetOfAddress(MemorySpace::Ram, 0xE010));
    // Only RAM and the register file take stores.
    EXPECT_TRUE(WriteMemory(m, MemorySpace::Registers, 127, 0x11));
    EXPECT_EQ(m.Cpu.MainRegisterFile[127], 0x11);
    EXPECT_FALSE(WriteMemory(m, MemorySpace::DataRom, 0, 0x11));
    EXPECT_FALSE(WriteMemory(m, MemorySpace::InstrRom, 0, 0x11));
    EXPECT_FALSE(WriteMemory(m, MemorySpace::Ram, DataRamBytes, 0x11));
    EXPECT_EQ(m.DataRom[0], 0);
}

TEST(MemorySpaces, SearchPatternsAndWrappingSearch) {
    struct Case {
        std::string_view text;
        std::vector<uint8_t> bytes;  // empty: refused
    };
    const Case cases[] = {
        {"41 42", {0x41, 0x42}}, {"4142", {0x41, 0x42}}, {"\"AB\"", {0x41, 0x42}}, {"a 1", {0x0A, 0x01}},
        {"4g", {}},              {"", {}},               {"\"\"", {}},
    };
    for (const Case& c : cases) {
        const SearchPattern pattern = ParseSearchPattern(c.text);
        EXPECT_EQ(pattern.Bytes, c.bytes) << c.text;
        EXPECT_EQ(pattern.Problem.empty(), !c.bytes.empty()) << c.text;
    }
    Machine m;
    m.DataRam[0x100] = 'A';
    m.DataRam[0x101] = 'B';
    m.DataRam[DataRamBytes - 1] = 'A';  // cut short by the end: no match there
    const std::vector<uint8_t> ab{'A', 'B'};
    EXPECT_EQ(SearchMemory(m, MemorySpace::Ram, ab, 0), 0x100u);
    EXPECT_EQ(SearchMemory(m, MemorySpace::Ram, ab, 0x101), 0x100u);  // round from the start
    EXPECT_FALSE(SearchMemory(m, MemorySpace::Ram, {'Z'}, 0));
    EXPECT_EQ(MemoryRowText(m, MemorySpace::Ram, 0x100).substr(0, 17), "C100: 41 42 00 00");
}

TEST(MachineViews, RegisterViewMarksWhatChanged) {
    CpuState before;
    CpuState now = before;
    now.PC = 0x12;
    SetIndex(now, RegSp, 0xDFFE);
    now.F = FlagC | FlagNZ;
    const std::vector<RegisterViewRow> rows = RegisterView(now, before, 42);
    std::string changed;
    for (const RegisterViewRow& row : rows) {
        if (row.Changed) changed += row.Label + "=" + row.Value + " ";
    }
    EXPECT_EQ(changed, "PC=0012 sp=DFFE F=90  C NZ ");
    EXPECT_EQ(rows.back().Value, "42");
    EXPECT_EQ(LcdView(LcdController{}).back(), "TimerPeriod 8192 oscillator ticks");
}

TEST(Breakpoints, ListBookkeeping) {
    BreakpointList list;
    EXPECT_TRUE(list.Toggle(0x10));
    EXPECT_EQ(list.Add(0x10), 0u);  // already there
    list.Add(0x20);
    EXPECT_TRUE(list.Armed(0x10) && list.Armed(0x20));
    list.SetEnabled(0, false);
    EXPECT_FALSE(list.Armed(0x10));
    EXPECT_TRUE(list.AnyEnabled());
    EXPECT_FALSE(list.Toggle(0x20));
    EXPECT_FALSE(list.Armed(0x20));
    EXPECT_FALSE(list.AnyEnabled());
    list.Remove(5);  // nothing there
    EXPECT_EQ(list.Size(), 1u);
}

// The same calls from code in RAM: a call there is three bytes long.
TEST(Stepping, OverAndOutOfCallsInDataMemory) {
    Machine m;
    ASSERT_EQ(test::LoadSource(m,
                               "        org 0\n"
                               "        ldw sp,&HE000\n"
                               "        jmp &HC000\n"
                               "sub:    nop\n"
                               "        rtn\n"),
              "");
    StartMachine(m);
    const uint8_t code[] = {0x60, 0x00, 0x02,  // cal &H0002
                            0x60, 0x00, 0x02,  // cal &H0002
                            0x70, 0xC0, 0x00};  // jmp &HC000
    std::copy(std::begin(code), std::end(code), m.DataRam.begin());
    DebugSession session;
    DebugState state;
    RunControl run = RunControl::Started(m.Config.OscFreq);
    StepInto(m, session, state);
    StepInto(m, session, state);
    ASSERT_EQ(m.Cpu.PC, 0xC000);
    EXPECT_EQ(StepOverTarget(m)->Pc, 0xC003);
    EXPECT_EQ(StepOver(m, run, session, state), StepOutcome::Done);
    EXPECT_EQ(m.Cpu.PC, 0xC003);
    StepInto(m, session, state);
    ASSERT_EQ(m.Cpu.PC, 2);
    EXPECT_EQ(CallBefore(m, 0xC006), 0xC003);
    EXPECT_EQ(StepOut(m, run, session, state), StepOutcome::Done);
    EXPECT_EQ(m.Cpu.PC, 0xC006);
    EXPECT_FALSE(StepOverTarget(m));  // a jump is no call
    // Without watchpoints the data path is never watched.
    EXPECT_EQ(m.Watch, nullptr);
}

}  // namespace
}  // namespace varnox
