// Save states: a run saved at any step and loaded into a fresh machine goes on
// exactly as the run that was never saved; every listed field makes the trip;
// damaged, foreign and other version files, and values no run of the
// machine leaves in a field, are refused with a message naming them and
// change nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "core/Cpu.h"
#include "core/Crc32.h"
#include "core/Def.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"
#include "support/AsmProgram.h"

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

// The same firmware and settings, nothing else: what a later start over the
// same files has.
std::unique_ptr<Machine> SameFirmware(const Machine& original) {
    auto m = std::make_unique<Machine>();
    m->InstrRom = original.InstrRom;
    m->DataRom = original.DataRom;
    m->Config = original.Config;
    StartMachine(*m);
    return m;
}

// Runs `count` more steps (stopping as the debugger's step count does) or
// run ticks (the budget's overshoot carried on), with a key held from the
// start.
enum class Until { Steps, Ticks };
void RunOn(Machine& m, Until until, int32_t count) {
    RunControl run = RunControl::Started(m.Config.OscFreq);
    run.Stops.StepCount = until == Until::Steps ? count : -1;
    m.HeldKeys[HeldPcKeySlot] = 31;
    KeyScan(m);
    const int ticks = until == Until::Steps ? 2000 : count;
    for (int tick = 1; tick <= ticks && OnRunTimer(m, run) == RunStopKind::None; ++tick) {
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

// A state saved under any setting the settings file takes loads again, and
// runs on as the run that was never split: a stopped clock (0 or less)
// makes no step however long it runs, and neither it nor the slow clock at
// the largest timer period leaves a budget no state holds. The self-test
// counter of one setting loads under another, as after a replay made at
// the recording's settings.
TEST(SaveState, EveryLegalSettingSavesStatesThatLoad) {
    const struct {
        int32_t oscFreq;
        int32_t selfTest;
        bool slowClock;
        int before;  // run ticks before the save
        int32_t loadSelfTest;
    } cases[] = {
        {-100000, 0, false, 5, 0},    {-100000, 0, false, 3000, 0}, {0, 0, false, 3000, 0},
        {1, 0, false, 3000, 0},       {100000, 0, false, 20, 0},    {100000, 0, true, 20, 0},
        {1, 0, true, 300, 0},         {910, 40, false, 30, 0},      {910, INT32_MIN, false, 30, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("OscFreq " + std::to_string(c.oscFreq) + (c.slowClock ? ", slow clock" : "") + ", " +
                     std::to_string(c.before) + " ticks");
        const std::string source = std::string(c.slowClock ? "        pst ie,&H84\n" : "") +
                                   "spin:   ad r0,&H01\n"
                                   "        jmp spin\n";
        auto straight = std::make_unique<Machine>();
        ASSERT_EQ(test::LoadSource(*straight, source), "");
        straight->Config = {c.oscFreq, c.selfTest};
        StartMachine(*straight);
        RunControl run = RunControl::Started(c.oscFreq);
        for (int tick = 0; tick < c.before; ++tick) OnRunTimer(*straight, run);
        if (c.oscFreq <= 0) {
            EXPECT_EQ(straight->Cpu.PC, 0);
            EXPECT_EQ(straight->Cpu.CycleBudget, 0);
        }
        const std::vector<uint8_t> saved = EncodeState(*straight);
        for (int tick = 0; tick < 10; ++tick) OnRunTimer(*straight, run);

        auto resumed = SameFirmware(*straight);
        resumed->Config.SelfTest = c.loadSelfTest;
        ASSERT_EQ(DecodeState(saved, *resumed), std::nullopt);
        resumed->Config.SelfTest = c.selfTest;
        RunControl resumedRun = RunControl::Started(c.oscFreq);
        for (int tick = 0; tick < 10; ++tick) OnRunTimer(*resumed, resumedRun);
        EXPECT_EQ(EncodeState(*resumed), EncodeState(*straight));
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

template <class T>
struct IsArray : std::false_type {};
template <class T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

// Gives every listed field a random value a running machine can reach.
class RandomFields : public FieldVisitor {
public:
    explicit RandomFields(std::mt19937& random) : random_(random) {}
    template <class T>
    void operator()(const char*, T& field, Reach reach = AnyValue, uint32_t = FirstStateVersion) {
        if constexpr (IsArray<T>::value) {
            for (auto& element : field) Set(element, reach);
        } else {
            Set(field, reach);
        }
    }

private:
    template <class T>
    void Set(T& value, Reach reach) {
        if constexpr (std::is_same_v<T, bool>) {
            value = (random_() & 1) != 0;
        } else if (!reach.only.empty()) {
            value = static_cast<T>(reach.only[random_() % reach.only.size()]);
        } else if constexpr (std::is_same_v<T, uint64_t>) {
            value = (static_cast<uint64_t>(random_()) << 32) | random_();  // the clock's counts: any value
        } else {
            const int64_t low = std::max<int64_t>(reach.low, std::numeric_limits<T>::min());
            const int64_t high = std::min<int64_t>(reach.high, std::numeric_limits<T>::max());
            value = static_cast<T>(std::uniform_int_distribution<int64_t>(low, high)(random_));
        }
    }
    std::mt19937& random_;
};

// Changes the field with the given number in the list (the last element of
// an array); counts the fields as it goes.
class ChangeField : public FieldVisitor {
public:
    explicit ChangeField(int target) : target_(target) {}
    int count = 0;
    template <class T>
    void operator()(const char*, T& field, Reach = AnyValue, uint32_t = FirstStateVersion) {
        if (count++ != target_) return;
        if constexpr (IsArray<T>::value) {
            Flip(field.back());
        } else {
            Flip(field);
        }
    }

private:
    template <class T>
    static void Flip(T& value) {
        if constexpr (std::is_same_v<T, bool>) {
            value = !value;
        } else {
            value = static_cast<T>(value ^ 1);
        }
    }
    int target_;
};

template <class T>
void FillBytes(T& object, std::mt19937& random) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::array<uint8_t, sizeof(T)> bytes;
    for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
    std::memcpy(&object, bytes.data(), sizeof(T));
}

// Random bytes everywhere, then every listed field made reachable: a field
// missing from the lists keeps its random bytes and does not survive the
// trip into a fresh machine.
TEST(SaveState, RandomMachinesRoundTripWhole) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto m = RandomMachine(seed);
        m->Config.SelfTest = static_cast<int32_t>(random() % 100) - 20;
        FillBytes(m->Cpu, random);
        FillBytes(m->Lcd, random);
        FillBytes(m->Clock, random);
        RandomFields fill(random);
        Machine::Fields(fill, *m);

        auto loaded = SameFirmware(*m);
        ASSERT_EQ(DecodeState(EncodeState(*m), *loaded), std::nullopt);
        EXPECT_TRUE(loaded->Cpu == m->Cpu);
        EXPECT_TRUE(loaded->Lcd == m->Lcd);
        EXPECT_TRUE(loaded->Clock == m->Clock);
        EXPECT_EQ(loaded->DataRam, m->DataRam);
        EXPECT_EQ(loaded->WriteSink, m->WriteSink);
        EXPECT_EQ(loaded->HeldKeys, m->HeldKeys);
    }
}

TEST(SaveState, AChangeOfAnyFieldShowsInTheEncoding) {
    const auto base = RandomMachine(10);
    const std::vector<uint8_t> encoded = EncodeState(*base);
    ChangeField counter(-1);
    auto scratch = std::make_unique<Machine>(*base);
    Machine::Fields(counter, *scratch);
    ASSERT_GT(counter.count, 40);
    for (int field = 0; field < counter.count; ++field) {
        auto m = std::make_unique<Machine>(*base);
        ChangeField change(field);
        Machine::Fields(change, *m);
        EXPECT_NE(EncodeState(*m), encoded) << "field " << field;
    }
}

// Files of the formats before: the first had no refresh cadence, the
// second no counts of the clock; each loads with what it lacks at 0 (the
// cadence at its power-on value, the counts from the moment it was saved),
// and runs on as the machine it was saved from.
TEST(SaveState, OlderFormatsLoadWithWhatTheyLackAtZero) {
    const struct {
        uint32_t version;
        size_t lacks;  // bytes at the end of the payload
        bool cadence;  // whether it kept the cadence
    } formats[] = {{1, sizeof(int32_t) + 3 * sizeof(int64_t), false}, {2, 3 * sizeof(int64_t), true}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.version);
        auto m = RandomMachine(11);
        RunOn(*m, Until::Ticks, 4);
        ASSERT_EQ(m->Clock.RefreshPhase, 1);
        ASSERT_GT(m->Clock.Steps, 0);
        std::vector<uint8_t> old = EncodeState(*m);
        old.resize(old.size() - format.lacks);
        old[8] = static_cast<uint8_t>(format.version);
        auto loaded = SameFirmware(*m);
        loaded->Clock.Steps = 99;  // from the machine it replaces: not kept
        ASSERT_EQ(DecodeState(Resealed(old), *loaded), std::nullopt);
        EXPECT_EQ(loaded->Clock.RunTicks, 0);
        EXPECT_EQ(loaded->Clock.Steps, 0);
        EXPECT_EQ(loaded->Clock.Cycles, 0);
        EXPECT_EQ(loaded->Clock.RefreshPhase, format.cadence ? 1 : 0);
        m->Clock = loaded->Clock;
        EXPECT_EQ(EncodeState(*loaded), EncodeState(*m));
        // Counted from there on alike.
        RunOn(*m, Until::Ticks, 6);
        RunOn(*loaded, Until::Ticks, 6);
        EXPECT_EQ(loaded->Clock.RunTicks, 6);
        EXPECT_EQ(EncodeState(*loaded), EncodeState(*m));
    }
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
        {"other version", [&] { auto b = good; b[8] = 4; return b; }, "state format version 4; this program reads versions 1 to 3"},
        {"version 0", [&] { auto b = good; b[8] = 0; return b; }, "state format version 0; this program reads versions 1 to 3"},
        {"last byte lost", [&] { auto b = good; b.pop_back(); return b; }, "its header announces"},
        {"byte added", [&] { auto b = good; b.push_back(0); return b; }, "its header announces"},
        {"byte flipped", [&] { auto b = good; b[4000] ^= 0x20; return b; }, "checksum does not match"},
        {"payload cut, resealed", [&] { auto b = good; b.resize(b.size() - 10); return Resealed(b); }, "wrong length"},
        {"other instruction ROM", [&] { return encodedWith([](Machine& m) { m.InstrRom[99] ^= 1; }); }, "rom0.bin"},
        {"other data ROM", [&] { return encodedWith([](Machine& m) { m.DataRom[0] ^= 1; }); }, "rom1.bin"},
        {"flag of 2", [&] { auto b = good; b[haltedAt] = 2; return Resealed(b); }, "damaged: Halted is 2, not 0 or 1"},
        // Values no run of the machine leaves in a field.
        {"budget of hours", [&] { return encodedWith([](Machine& m) { m.Cpu.CycleBudget = INT32_MIN; }); },
         "damaged: CycleBudget is -2147483648, outside -4194303..0"},
        {"budget left over", [&] { return encodedWith([](Machine& m) { m.Cpu.CycleBudget = 1; }); }, "CycleBudget is 1, outside"},
        {"timer period 0", [&] { return encodedWith([](Machine& m) { m.Lcd.TimerPeriod = 0; }); }, "TimerPeriod is 0, not one of 8192, 4, 8"},
        {"timer period 2^30", [&] { return encodedWith([](Machine& m) { m.Lcd.TimerPeriod = 1 << 30; }); }, "TimerPeriod is 1073741824"},
        {"timer period 12", [&] { return encodedWith([](Machine& m) { m.Lcd.TimerPeriod = 12; }); }, "TimerPeriod is 12"},
        {"timer countdown", [&] { return encodedWith([](Machine& m) { m.Clock.TimerCountdown = 16385; }); }, "TimerCountdown is 16385, outside 0..16384"},
        {"refresh phase", [&] { return encodedWith([](Machine& m) { m.Clock.RefreshPhase = 3; }); }, "RefreshPhase is 3, outside 0..2"},
        {"request far off", [&] { return encodedWith([](Machine& m) { m.Cpu.IrqPending[2] = 1000; }); }, "IrqPending[2] is 1000, outside -8..127"},
        {"request long gone", [&] { return encodedWith([](Machine& m) { m.Cpu.IrqPending[0] = INT32_MIN; }); }, "IrqPending[0] is -2147483648"},
        {"in service, no request", [&] { return encodedWith([](Machine& m) { m.Cpu.IF |= 0x40; m.Cpu.IrqPending[1] = 0; }); },
         "IrqPending[1] is 0, outside 1..127"},
        {"cursor half", [&] { return encodedWith([](Machine& m) { m.Lcd.Cursor[1].half = 5; }); }, "Cursor[1].half is 5, not one of 0, 96"},
        {"cursor band", [&] { return encodedWith([](Machine& m) { m.Lcd.Cursor[0].band = 193; }); }, "Cursor[0].band is 193, not one of 0, 192, 384, 576"},
        {"cursor column", [&] { return encodedWith([](Machine& m) { m.Lcd.Cursor[0].column = 128; }); }, "Cursor[0].column is 128, outside 0..127"},
        {"cursor phase", [&] { return encodedWith([](Machine& m) { m.Lcd.Cursor[1].phase = -1; }); }, "Cursor[1].phase is -1, outside 0..15"},
        {"nibble count 7", [&] { return encodedWith([](Machine& m) { m.Lcd.NibbleCount = 7; }); }, "NibbleCount is 7"},
        {"cursor mode", [&] { return encodedWith([](Machine& m) { m.Lcd.CursorMode = 16; }); }, "CursorMode is 16, outside 0..15"},
        {"nibble of 16", [&] { return encodedWith([](Machine& m) { m.Lcd.DisplayRam[700] = 16; }); }, "DisplayRam[700] is 16, outside 0..15"},
        {"cursor nibble", [&] { return encodedWith([](Machine& m) { m.Lcd.Cursor[0].pattern[3] = 0x80; }); }, "Cursor[0].pattern[3] is 128"},
        {"glyph width 9", [&] { return encodedWith([](Machine& m) { m.Lcd.GlyphWidth = 9; }); }, "GlyphWidth is 9, outside 5..8"},
        {"held key 54", [&] { return encodedWith([](Machine& m) { m.HeldKeys[1] = 54; }); }, "HeldKeys[1] is 54, outside 0..53"},
        {"print switch key 7", [&] { return encodedWith([](Machine& m) { m.HeldKeys[2] = 7; }); }, "HeldKeys[2] is 7, not one of 0, 53"},
        {"register step 2", [&] { return encodedWith([](Machine& m) { m.Cpu.RegStep = 2; }); }, "RegStep is 2, not one of 1, 255"},
        {"register bank", [&] { return encodedWith([](Machine& m) { m.Cpu.RegBank = 0x20; }); }, "RegBank is 32, not one of 0, 64"},
        {"step cycles", [&] { return encodedWith([](Machine& m) { m.Cpu.StepCycles = -2; }); }, "StepCycles is -2"},
        {"operand index", [&] { return encodedWith([](Machine& m) { m.Cpu.OperandIndex = 0; }); }, "OperandIndex is 0, outside 1..3"},
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
