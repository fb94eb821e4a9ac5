// The debugger's layer without a window: input mechanics, typed numbers,
// the listing walk, line placement, memory and register access, stepping
// and the run-control hand-over.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <tuple>

#include "asm/Listing.h"
#include "debugger/DebugAccess.h"
#include "debugger/DebugInput.h"
#include "debugger/RunControls.h"
#include "support/AsmProgram.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

using test::LoadSource;

// Everything a debugger operation could change by mistake.
auto Tie(const Machine& m) {
    const CpuState& c = m.Cpu;
    return std::tie(m.InstrRom, m.DataRom, m.DataRam, m.WriteSink, c.MainRegisterFile, c.PC, c.F, c.AS, c.KO, c.KI,
                    c.IE, c.IF, c.InstrPC, c.InstrBytes, c.OperandIndex, c.StepCycles, c.IrqPending, c.Halted,
                    c.RegBank, c.RegStep, c.EffAddr, c.CycleBudget, m.Clock);
}

std::string Text(const ListingLine& line) {
    std::string text(line.Mnemonic);
    if (!line.Operands.empty()) text += " " + line.Operands;
    return text;
}

TEST(DebugInput, HexDigitValue) {
    const std::pair<char16_t, int> cases[] = {
        {u'0', 0}, {u'9', 9}, {u'A', 10}, {u'F', 15}, {u'a', 10}, {u'f', 15},
        {u'G', 16}, {u'g', 16}, {u' ', 16}, {u'-', 16}, {u'\0', 16}, {u'\u00E9', 16},
    };
    for (const auto& [ch, value] : cases) EXPECT_EQ(HexDigitValue(ch), value) << static_cast<int>(ch);
}

TEST(DebugInput, FilterDigitsKeepsCaretAndSelectionOnTheirCharacters) {
    struct Case {
        std::u16string_view text;
        int caret, selection, base;
        std::u16string_view left;
        int leftCaret, leftSelection;
    };
    const Case cases[] = {
        {u"12g", 3, 0, 16, u"12", 2, 0},        // typed at the end
        {u"1x2", 3, 0, 16, u"12", 2, 0},        // pasted
        {u"ab-", 2, 0, 16, u"ab", 2, 0},        // after the caret: the caret stays
        {u"x1y2z", 2, 2, 16, u"12", 1, 1},      // before the caret, inside and after the selection
        {u"1a2", 3, 0, 10, u"12", 2, 0},        // letters are no decimal digits
        {u"-", 1, 0, 16, u"", 0, 0},
        {u"\u00E9\u00E9", 2, 0, 16, u"", 0, 0},  // beyond ASCII
    };
    for (const Case& c : cases) {
        const FilteredText f = FilterDigits(c.text, c.caret, c.selection, c.base);
        EXPECT_EQ(f.Text, c.left);
        EXPECT_EQ(f.Caret, c.leftCaret);
        EXPECT_EQ(f.Selection, c.leftSelection);
    }
}

TEST(DebugInput, TypedNumbersGetALeadingZero) {
    constexpr uint64_t Max = std::numeric_limits<uint64_t>::max();
    const std::tuple<std::u16string_view, int, std::optional<uint64_t>> cases[] = {
        {u"", 16, 0},
        {u"  1F ", 16, 0x1F},
        {u"ab", 16, 0xAB},
        {u"0012", 10, 12},
        {u"1g", 16, std::nullopt},
        {u"1 2", 10, std::nullopt},
        {u"99999999999999999999999", 10, Max},
        {u"FFFFFFFFFFFFFFFFF", 16, Max},
    };
    for (const auto& [text, base, value] : cases) EXPECT_EQ(ReadTypedNumber(text, base), value);
}

TEST(DebugInput, ScrollKeysAskForAPositionInRange) {
    const ScrollRange middle{5, 0, 10, 1, 4};
    const ScrollRange bottom{0, 0, 10, 1, 4};
    const ScrollRange fixed{0, 0, 0, 1, 1};  // the Registers pane's
    const std::tuple<int, ScrollRange, int> cases[] = {
        {VkPageUp, middle, 1}, {VkPageDown, middle, 9}, {VkEnd, middle, 10}, {VkHome, middle, 0},
        {VkUp, middle, 4},     {VkDown, middle, 6},     {VkLeft, middle, -1}, {VkRight, middle, -1},
        {'A', middle, -1},     {VkReturn, middle, -1},  {VkPageUp, bottom, -1}, {VkHome, bottom, -1},
        {VkUp, bottom, -1},    {VkPageDown, {9, 0, 10, 1, 4}, 10}, {VkDown, {10, 0, 10, 1, 4}, -1},
        {VkDown, fixed, -1},   {VkEnd, fixed, -1},
    };
    for (const auto& [key, range, position] : cases) EXPECT_EQ(ScrollKeyPosition(key, range), position) << key;
}

TEST(RunControls, TypedCountsAndAddressesStayInRange) {
    const std::tuple<std::u16string_view, int32_t> counts[] = {
        {u"", 0}, {u"3", 3}, {u"2147483647", 2147483647}, {u"2147483648", 2147483647}, {u"99999999999999999999", 2147483647},
    };
    for (const auto& [text, count] : counts) EXPECT_EQ(StepCountFromText(text), count);
    const std::tuple<std::u16string_view, int32_t> addresses[] = {
        {u"", 0}, {u"12AB", 0x12AB}, {u"ffff", 0xFFFF}, {u"10000", 0x10000}, {u"FFFFFFFF", 0x7FFFFFFF}, {u"123456789", 0x7FFFFFFF},
    };
    for (const auto& [text, address] : addresses) EXPECT_EQ(BreakAddressFromText(text), address);
}

TEST(RunControls, ShowHideAndHandOver) {
    auto m = std::make_unique<Machine>();
    RunControl run;
    DebugState state;
    m->Cpu.PC = 0x0123;
    run.Stops.StepCount = 5;
    run.Stops.BreakAddress = 7;
    DebugShown(*m, run, state);
    EXPECT_EQ(std::tie(run.DebugActive, run.Stops.StepCount, run.Stops.BreakAddress, state.ListTop),
              std::make_tuple(uint8_t{1}, -1, -1, 0x0123));

    EXPECT_FALSE(StartStepRun(run.Stops, 0));
    EXPECT_EQ(run.Stops.StepCount, -1);
    EXPECT_TRUE(StartStepRun(run.Stops, 9));
    EXPECT_EQ(std::tie(run.Stops.StepCount, run.Stops.BreakAddress), std::make_tuple(9, -1));
    StartBreakRun(run.Stops, 0x10000);
    EXPECT_EQ(std::tie(run.Stops.StepCount, run.Stops.BreakAddress), std::make_tuple(-1, 0x10000));

    state.EditMode = EditKind::BinByte;
    DebugHidden(run, state);
    EXPECT_EQ(std::tie(run.DebugActive, run.ResumeDelay, state.EditMode),
              std::make_tuple(uint8_t{0}, ResumeDelayTicks, EditKind::None));
}

// Code in ROM words up to 0x17FF, then in data memory from 0x1800.
constexpr std::string_view Straddling =
    "        org &H17FE\n"
    "        ld r5,&H12\n"
    "        rtn\n"
    "        data &H1800\n"
    "        ld r5,r70\n"
    "        rtn\n"
    "        st (ix),&H20\n";

TEST(DebugListing, WalksRomWordsThenDataBytesAndStopsAtTheWrap) {
    auto m = std::make_unique<Machine>();
    ASSERT_EQ(LoadSource(*m, Straddling), "");
    const PaneListing listing = ListFrom(*m, 0x17FE, 5);
    ASSERT_EQ(listing.Lines.size(), 5u);
    const std::pair<uint16_t, std::string> lines[] = {
        {0x17FE, "ld r5,&H12"}, {0x17FF, "rtn"}, {0x1800, "ld r5,r70"}, {0x1803, "rtn"}, {0x1804, "st (ix),&H20"},
    };
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(listing.Lines[i].Address, lines[i].first);
        EXPECT_EQ(Text(listing.Lines[i]), lines[i].second);
    }
    EXPECT_EQ(listing.LastSpan, 0x1806 - 0x17FE);
    EXPECT_EQ(ListLineAddress(*m, 0x17FE, 4), std::optional<uint16_t>(0x1804));

    const PaneListing last = ListFrom(*m, 0xFFFF, 10);
    EXPECT_EQ(last.Lines.size(), 1u);
    EXPECT_LT(last.LastSpan, 0);
    EXPECT_EQ(ListLineAddress(*m, 0xFFFF, 0), std::optional<uint16_t>(0xFFFF));
    EXPECT_EQ(ListLineAddress(*m, 0xFFFF, 1), std::nullopt);
    EXPECT_EQ(ListLineAddress(*m, 0xFFFD, 3), std::nullopt);
}

TEST(DebugListing, LeavesTheMachineExactlyAsItFoundIt) {
    auto m = std::make_unique<Machine>();
    ASSERT_EQ(LoadSource(*m, Straddling), "");
    ASSERT_EQ(AssembleAt(*m, 0xC000, "ldw ix,&HC000"), 0);
    CpuState& cpu = m->Cpu;
    cpu.PC = 0x0042;
    cpu.InstrPC = 0x0041;
    cpu.InstrBytes = {0x11, 0x22, 0x33};
    cpu.OperandIndex = 2;
    cpu.StepCycles = 77;
    cpu.IE = 0x03;  // the gate shut: the listing still reads the real bytes
    const auto before = std::make_unique<Machine>(*m);
    for (const uint16_t top : {uint16_t{0x17FE}, uint16_t{0xC000}, uint16_t{0xFFFD}, uint16_t{0xFFFF}}) {
        const PaneListing listing = ListFrom(*m, top, 10);
        ASSERT_FALSE(listing.Lines.empty());
        ListLineAddress(*m, top, 3);
        EXPECT_TRUE(Tie(*m) == Tie(*before)) << top;
    }
    EXPECT_EQ(Text(ListFrom(*m, 0xC000, 1).Lines[0]), "ldw ix,&HC000");
}

TEST(DebugPlacement, TypedLinesGoWhereTheFetchReadsThem) {
    auto m = std::make_unique<Machine>();
    m->InstrRom[3 * 0x100 + 2] = 0x77;
    m->Cpu.IE = 0x03;
    struct Case {
        uint16_t target;
        const char* line;
        int errorPos;
        std::string listed;  // the line at the target afterwards
        bool writes = true;
    };
    const Case cases[] = {
        {0x0100, "st (ix),&H20", 0, "st (ix),&H20"},  // a two-byte line keeps the word's third byte
        {0x4000, "ld r5,r70", 0, "ld r5,r70"},        // RAM
        {0x2000, "ldw ix,&H1234", 0, "ldw ix,&H1234"},  // the data ROM window
        {0xFFFF, "ld r5,r70", 0, "ld r5,r70"},        // wraps into the ROM at 0x0000
        {0x4010, "ld r5,q", 7, "nop", false},          // rejected: nothing stored
        {0x4020, "; a comment only", 0, "adb r64,r0", false},
    };
    ASSERT_EQ(AssembleAt(*m, 0x4010, "nop"), 0);
    for (const Case& c : cases) {
        const auto before = std::make_unique<Machine>(*m);
        EXPECT_EQ(AssembleAt(*m, c.target, c.line), c.errorPos) << c.line;
        EXPECT_EQ(Text(ListFrom(*m, c.target, 1).Lines[0]), c.listed) << c.line;
        if (!c.writes) {
            EXPECT_TRUE(Tie(*m) == Tie(*before));
        }
        EXPECT_EQ(m->Cpu.IE, 0x03);
    }
    EXPECT_EQ(m->InstrRom[3 * 0x100 + 2], 0x77);
    EXPECT_EQ(m->DataRom[0x2000], 0x40);
    EXPECT_EQ(m->DataRam[0x1FFF], 0x5C);
    EXPECT_EQ(m->DataRom[0x0000], 0x85);
    EXPECT_EQ(m->DataRom[0x0001], 0xC0);
}

TEST(DebugPlacement, OnlyTheFirst64CharactersAreAssembled) {
    auto m = std::make_unique<Machine>();
    const std::string padded = "nop" + std::string(61, ' ');
    EXPECT_EQ(AssembleAt(*m, 0x4000, padded + "junk"), 0);
    EXPECT_EQ(AssembleAt(*m, 0x4000, "nop" + std::string(58, ' ') + "junk"), 62);
}

TEST(DebugAccess, DataMemoryAsItIsWhateverTheGate) {
    auto m = std::make_unique<Machine>();
    m->Cpu.IE = 0x03;
    PaneWriteByte(*m, 0xC010, 0x5A);
    PaneWriteByte(*m, 0x2000, 0x99);  // a ROM window drops it
    EXPECT_EQ(m->DataRam[0x0010], 0x5A);
    EXPECT_EQ(m->DataRom[0x2000], 0x00);
    for (const int address : {0x4010, 0x6010, 0xC010, 0xE010}) {
        EXPECT_EQ(PaneReadByte(*m, static_cast<uint16_t>(address)), 0x5A);
    }
    EXPECT_EQ(m->Cpu.IE, 0x03);
    EXPECT_EQ(MemReadPtr(*m, 0xC010), 0xFF);  // the processor still sees the gate
}

TEST(DebugAccess, RegisterRowsAreMaskedAndApplyIf) {
    auto m = std::make_unique<Machine>();
    const std::tuple<int, uint64_t, uint16_t> cases[] = {
        {0, 0x1234, 0x1234}, {0, 0x12345, 0x2345}, {1, 0x107, 0x07}, {5, 0xFFFF, 0xFF},
    };
    for (const auto& [index, value, read] : cases) {
        StoreRegisterRow(*m, RegisterRows[static_cast<size_t>(index)], value);
        EXPECT_EQ(ReadRegisterRow(m->Cpu, RegisterRows[static_cast<size_t>(index)]), read);
    }
    EXPECT_EQ(m->Cpu.PC, 0x2345);
    EXPECT_EQ(m->Cpu.AS, 0xFF);

    const RegisterRow& ifRow = RegisterRows[4];
    StoreRegisterRow(*m, ifRow, 0x01);
    EXPECT_TRUE(m->Lcd.LcdControl & LcdPowered);
    m->Cpu.IE = IrqEnableBit[0];
    StoreRegisterRow(*m, ifRow, 0x10);
    EXPECT_EQ(m->Cpu.IrqPending[0], IrqJustRequested);
}

TEST(DebugAccess, FlagCellsShowEachBitAndNotZeroTheOtherWayRound) {
    CpuState cpu;
    cpu.F = FlagNZ;
    std::string shown;
    for (const FlagCell& cell : FlagCells) shown += std::string(FlagCellText(cell, cpu.F)) + "|";
    EXPECT_EQ(shown, "NC|NV|NUZ|NH|NZ|NLZ|");
    cpu.F = 0xFF;
    shown.clear();
    for (const FlagCell& cell : FlagCells) shown += std::string(FlagCellText(cell, cpu.F)) + "|";
    EXPECT_EQ(shown, "C |V |UZ |H |NZ|LZ |");
    cpu.F = 0;
    EXPECT_EQ(FlagCellText(FlagCells[4], cpu.F), "Z ");
    ToggleFlag(cpu, FlagCells[5]);
    EXPECT_EQ(cpu.F, FlagLZ);
    ToggleFlag(cpu, FlagCells[5]);
    EXPECT_EQ(cpu.F, 0);
}

TEST(DebugStepping, OneStepAndNothingOfTheRunLoop) {
    auto m = std::make_unique<Machine>();
    ASSERT_EQ(LoadSource(*m,
                         "        ld r5,&H12\n"
                         "        ld r6,&H34\n"),
              "");
    m->Clock.TimerCountdown = 9;
    m->Cpu.CycleBudget = 100;
    DebugState state;
    state.EditMode = EditKind::ListInstruction;
    SingleStep(*m, state);
    EXPECT_EQ(m->Cpu.MainRegisterFile[5], 0x12);
    EXPECT_EQ(m->Cpu.PC, 1);
    EXPECT_EQ(state.ListTop, 1);
    EXPECT_EQ(state.EditMode, EditKind::None);
    EXPECT_EQ(std::tie(m->Clock.TimerCountdown, m->Cpu.CycleBudget), std::make_tuple(9, 100));
    const int32_t cycles = DebugStep(*m);
    EXPECT_GT(cycles, 0);
    EXPECT_EQ(m->Cpu.MainRegisterFile[6], 0x34);
    // Counted as the processor's steps, though no run made them.
    EXPECT_EQ(m->Clock.Steps, 2);
    EXPECT_EQ(m->Clock.RunTicks, 0);
}

}  // namespace
}  // namespace varnox
