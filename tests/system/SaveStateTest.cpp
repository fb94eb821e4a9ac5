// Save states: a run saved at any step and loaded into a fresh machine goes on
// exactly as the run that was never saved; damaged, foreign and other
// version files are refused with a message naming them and change nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Cpu.h"
#include "core/Def.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;

// A machine over random firmware and memory, started as the window starts
// it, with the LCD powered so that its controller gets used.
std::unique_ptr<Machine> RandomMachine(unsigned seed) {
    auto m = std::make_unique<Machine>();
    std::mt19937 random(seed);
    auto fill = [&](auto& region) {
        for (auto& byte : region) byte = static_cast<uint8_t>(random());
    };
    fill(m->InstrRom);
    fill(m->DataRom);
    fill(m->DataRam);
    fill(m->Cpu.MainRegisterFile);
    for (auto& nibble : m->Lcd.CharGenerator) nibble = static_cast<uint8_t>(random() & 0x0F);
    m->Config.SelfTest = 40;
    StartMachine(*m);
    m->Lcd.TimerPeriod = 4;  // timer interrupts often pending at a save
    m->Cpu.IF = IfLcdPower;
    m->Cpu.IE = 0x70;  // all interrupt levels enabled
    UpdateIf(*m);
    m->Lcd.LcdControl |= LcdEnabled;
    return m;
}

// The same firmware, nothing else: what a later start over the same files has.
std::unique_ptr<Machine> SameFirmware(const Machine& original) {
    auto m = std::make_unique<Machine>();
    m->InstrRom = original.InstrRom;
    m->DataRom = original.DataRom;
    StartMachine(*m);
    return m;
}

// Runs `count` more steps (stopping as the debugger's step count does) or
// run ticks (the budget's overshoot carried on), with a key held from the
// start and a refresh after every third run tick, as varnox-tool does.
enum class Until { Steps, Ticks };
void RunOn(Machine& m, Until until, int32_t count) {
    m.Run.DebugActive = 0;
    m.Run.StepCount = until == Until::Steps ? count : -1;
    m.HeldKeys[HeldPcKeySlot] = 31;
    KeyScan(m);
    const int ticks = until == Until::Steps ? 2000 : count;
    for (int tick = 1; tick <= ticks && !OnRunTimer(m); ++tick) {
        if (tick % 3 == 0) RefreshTick(m);
    }
}

std::string StateLine(const Machine& m) {
    const CpuState& c = m.Cpu;
    char line[80];
    std::snprintf(line, sizeof line, "PC=%04X F=%02X AS=%02X KO=%02X KI=%02X IE=%02X IF=%02X HALTED=%d", c.PC, c.F,
                  c.AS, c.KO, c.KI, c.IE, c.IF, c.Halted ? 1 : 0);
    return line;
}

TEST(SaveState, ContinuesExactlyFromAnyStep) {
    const struct {
        unsigned seed;
        Until until;
        int32_t before;
        int32_t after;
    } cases[] = {{1, Until::Steps, 1, 1},         {2, Until::Steps, 37, 5000},  {3, Until::Steps, 2500, 20000},
                 {4, Until::Steps, 9999, 3},      {5, Until::Ticks, 1, 1},      {6, Until::Ticks, 7, 20},
                 {7, Until::Ticks, 50, 3},        {8, Until::Ticks, 2, 100},    {9, Until::Ticks, 31, 31}};
    for (const auto& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        auto straight = RandomMachine(c.seed);
        RunOn(*straight, c.until, c.before);
        const std::vector<uint8_t> saved = EncodeState(*straight);
        RunOn(*straight, c.until, c.after);

        auto resumed = SameFirmware(*straight);
        ASSERT_EQ(DecodeState(saved, *resumed), std::nullopt);
        RunOn(*resumed, c.until, c.after);

        EXPECT_EQ(StateLine(*resumed), StateLine(*straight));
        EXPECT_EQ(resumed->DataRam, straight->DataRam);
        EXPECT_EQ(resumed->Cpu.MainRegisterFile, straight->Cpu.MainRegisterFile);
        LcdRefresh(resumed->Lcd);
        LcdRefresh(straight->Lcd);
        EXPECT_EQ(resumed->Lcd.FrameBuffer, straight->Lcd.FrameBuffer);
        EXPECT_EQ(EncodeState(*resumed), EncodeState(*straight));
    }
}

// A field left out of the state would continue from whatever the loading
// machine held: each of these changes must show in the encoding.
TEST(SaveState, EveryFieldOfTheMachineIsCarried) {
    const auto base = RandomMachine(10);
    const std::vector<uint8_t> encoded = EncodeState(*base);
    using Change = void (*)(Machine&);
    const Change changes[] = {
        [](Machine& m) { m.Cpu.MainRegisterFile[127] ^= 1; }, [](Machine& m) { m.Cpu.PC ^= 0x100; },
        [](Machine& m) { m.Cpu.F ^= 1; },            [](Machine& m) { m.Cpu.AS ^= 1; },
        [](Machine& m) { m.Cpu.KO ^= 1; },           [](Machine& m) { m.Cpu.KI ^= 1; },
        [](Machine& m) { m.Cpu.IE ^= 1; },           [](Machine& m) { m.Cpu.IF ^= 1; },
        [](Machine& m) { m.Cpu.InstrPC ^= 0x100; },  [](Machine& m) { m.Cpu.InstrBytes[2] ^= 1; },
        [](Machine& m) { m.Cpu.OperandIndex ^= 4; }, [](Machine& m) { m.Cpu.StepCycles ^= 0x10000; },
        [](Machine& m) { m.Cpu.IrqPending[2] ^= 0x10000; }, [](Machine& m) { m.Cpu.Halted = !m.Cpu.Halted; },
        [](Machine& m) { m.Cpu.RegBank ^= 0x40; },   [](Machine& m) { m.Cpu.RegStep ^= 0xFE; },
        [](Machine& m) { m.Cpu.EffAddr ^= 0x100; },  [](Machine& m) { m.Cpu.CycleBudget ^= 0x10000; },
        [](Machine& m) { m.Lcd.LcdControl ^= 0x40; }, [](Machine& m) { m.Lcd.DisplayRam[1535] ^= 1; },
        [](Machine& m) { m.Lcd.CommandBuffer[5] ^= 1; }, [](Machine& m) { m.Lcd.NibbleCount ^= 0x10000; },
        [](Machine& m) { m.Lcd.LcdAddress ^= 0x10000; }, [](Machine& m) { m.Lcd.GlyphWidth ^= 1; },
        [](Machine& m) { m.Lcd.DisplayOn = !m.Lcd.DisplayOn; }, [](Machine& m) { m.Lcd.CodeLatch ^= 1; },
        [](Machine& m) { m.Lcd.Cursor[1].pattern[15] ^= 1; }, [](Machine& m) { m.Lcd.Cursor[1].phase ^= 0x10000; },
        [](Machine& m) { m.Lcd.Cursor[1].half ^= 0x10000; }, [](Machine& m) { m.Lcd.Cursor[1].column ^= 0x10000; },
        [](Machine& m) { m.Lcd.Cursor[1].band ^= 0x10000; }, [](Machine& m) { m.Lcd.CursorMode ^= 0x10000; },
        [](Machine& m) { m.Lcd.TimerPeriod ^= 0x10000; }, [](Machine& m) { m.Lcd.CharGenerator[4095] ^= 1; },
        [](Machine& m) { m.Lcd.FrameBuffer[1535] ^= 1; }, [](Machine& m) { m.DataRam[8191] ^= 1; },
        [](Machine& m) { m.WriteSink ^= 1; },        [](Machine& m) { m.HeldKeys[0] ^= 0x10000; },
        [](Machine& m) { m.Run.TimerCountdown ^= 0x10000; }, [](Machine& m) { m.Run.SelfTestCounter ^= 0x10000; },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        auto m = std::make_unique<Machine>(*base);
        changes[i](*m);
        EXPECT_NE(EncodeState(*m), encoded) << "change " << i;
    }
}

// Rewrites the length and checksum of a changed payload, as a forger would.
std::vector<uint8_t> Resealed(std::vector<uint8_t> bytes) {
    const auto put = [&](size_t at, uint32_t value) {
        for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    const std::span<const uint8_t> payload(bytes.begin() + 20, bytes.end());
    put(12, static_cast<uint32_t>(payload.size()));
    put(16, Crc32(payload));
    return bytes;
}

// Where the payloads of two encodings first differ.
size_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t at = 20;
    while (a[at] == b[at]) ++at;
    return at;
}

TEST(SaveState, BadFilesAreRefusedAndChangeNothing) {
    const auto base = RandomMachine(7);
    const std::vector<uint8_t> good = EncodeState(*base);
    auto encodedWith = [&](const std::function<void(Machine&)>& change) {
        auto m = std::make_unique<Machine>(*base);
        change(*m);
        return EncodeState(*m);
    };
    const size_t haltedAt = FirstDifference(encodedWith([](Machine& m) { m.Cpu.Halted = false; }),
                                            encodedWith([](Machine& m) { m.Cpu.Halted = true; }));
    using Mutate = std::function<std::vector<uint8_t>()>;
    const struct {
        const char* name;
        Mutate bytes;
        const char* expected;
    } cases[] = {
        {"empty", [] { return std::vector<uint8_t>(); }, "not a Varnox state file"},
        {"foreign", [] { return std::vector<uint8_t>{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}; }, "not a Varnox state file"},
        {"header cut", [&] { return std::vector<uint8_t>(good.begin(), good.begin() + 12); }, "cut short"},
        {"other version", [&] { auto b = good; b[8] = 2; return b; }, "state format version 2; this program reads version 1"},
        {"last byte lost", [&] { auto b = good; b.pop_back(); return b; }, "its header announces"},
        {"byte added", [&] { auto b = good; b.push_back(0); return b; }, "its header announces"},
        {"byte flipped", [&] { auto b = good; b[4000] ^= 0x20; return b; }, "checksum does not match"},
        {"payload cut, resealed", [&] { auto b = good; b.resize(b.size() - 10); return Resealed(b); }, "wrong length"},
        {"other instruction ROM", [&] { return encodedWith([](Machine& m) { m.InstrRom[99] ^= 1; }); }, "rom0.bin"},
        {"other data ROM", [&] { return encodedWith([](Machine& m) { m.DataRom[0] ^= 1; }); }, "rom1.bin"},
        {"nibble of 16", [&] { return encodedWith([](Machine& m) { m.Lcd.DisplayRam[700] = 16; }); }, "nibble above 15"},
        {"glyph width 9", [&] { return encodedWith([](Machine& m) { m.Lcd.GlyphWidth = 9; }); }, "glyph width"},
        {"held key 54", [&] { return encodedWith([](Machine& m) { m.HeldKeys[1] = 54; }); }, "held key"},
        {"print switch key 7", [&] { return encodedWith([](Machine& m) { m.HeldKeys[2] = 7; }); }, "print switch"},
        {"register step 2", [&] { return encodedWith([](Machine& m) { m.Cpu.RegStep = 2; }); }, "register step"},
        {"flag of 2", [&] { auto b = good; b[haltedAt] = 2; return Resealed(b); }, "flag"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = RandomMachine(8);
        m->DataRom = base->DataRom;
        m->InstrRom = base->InstrRom;
        const std::vector<uint8_t> untouched = EncodeState(*m);
        const auto problem = DecodeState(c.bytes(), *m);
        ASSERT_TRUE(problem.has_value());
        EXPECT_NE(problem->find(c.expected), std::string::npos) << *problem;
        EXPECT_EQ(EncodeState(*m), untouched);
    }
}

class StateFileTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("varnox-state-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(StateFileTest, SlotFileRoundTripAndMessagesNamingTheFile) {
    auto m = RandomMachine(9);
    RunOn(*m, Until::Steps, 3000);
    const fs::path slot = StateSlotPath(dir, 2);
    EXPECT_EQ(slot.filename(), "state2.vxs");
    ASSERT_EQ(SaveStateFile(*m, slot), std::nullopt);
    EXPECT_EQ(Names(), std::vector<std::string>{"state2.vxs"});  // no temporary left
    auto loaded = SameFirmware(*m);
    ASSERT_EQ(LoadStateFile(*loaded, slot), std::nullopt);
    EXPECT_EQ(EncodeState(*loaded), EncodeState(*m));

    ASSERT_EQ(::mkfifo((dir / "fifo.vxs").c_str(), 0600), 0);  // must not block
    fs::create_directory(dir / "folder.vxs");
    std::ofstream(dir / "big.vxs") << std::string(2 << 20, 'V');
    const struct {
        const char* name;
        const char* expected;
    } loads[] = {{"missing.vxs", "No such file or directory"},
                 {"fifo.vxs", "not a regular file"},
                 {"folder.vxs", "not a regular file"},
                 {"big.vxs", "not a state file (2097152 bytes, far too large)"}};
    for (const auto& c : loads) {
        const auto problem = LoadStateFile(*loaded, dir / c.name);
        ASSERT_TRUE(problem.has_value()) << c.name;
        EXPECT_EQ(*problem, "Failed to load the state file " + (dir / c.name).string() + ": " + c.expected);
    }
    EXPECT_EQ(EncodeState(*loaded), EncodeState(*m));

    const auto failed = SaveStateFile(*m, dir / "no" / "such" / "dir.vxs");
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(*failed, "Failed to save the state file " + (dir / "no/such/dir.vxs").string() + ": No such file or directory");
    EXPECT_TRUE(SaveStateFile(*m, dir / "folder.vxs").has_value());
    EXPECT_TRUE(fs::is_directory(dir / "folder.vxs"));
}

}  // namespace
}  // namespace varnox
