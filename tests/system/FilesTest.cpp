// Data files and settings in a scratch directory.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Def.h"
#include "system/Files.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
protected:
    std::unique_ptr<Machine> m = std::make_unique<Machine>();
    fs::path dir;

    void SetUp() override {
        static std::atomic<int> counter{0};
        dir = fs::temp_directory_path() /
              ("varnox-files-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    // An empty directory and a new machine, for the next case of a table.
    void StartAfresh() {
        fs::remove_all(dir);
        fs::create_directories(dir);
        m = std::make_unique<Machine>();
    }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteText(const std::string& text) { std::ofstream(dir / SettingsFileName) << text; }
    std::vector<uint8_t> Read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    Settings LoadFrom(const std::string& text) {
        WriteText(text);
        Settings s{123, 456};
        LoadSettings(s, dir);
        return s;
    }
    std::vector<std::string> DirectoryNames() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Bytes that differ from their neighbours and from the address.
std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

template <typename Region>
std::vector<uint8_t> Prefix(const Region& region, size_t size) {
    return {region.begin(), region.begin() + static_cast<std::ptrdiff_t>(size)};
}

// ---- Settings --------------------------------------------------------------

TEST_F(FilesTest, SettingsDefaultsWithoutFileSectionOrKey) {
    Settings s{1, 2};
    LoadSettings(s, dir);
    EXPECT_EQ(s.OscFreq, 910);
    EXPECT_EQ(s.SelfTest, 0);

    s = LoadFrom("[Other]\nOscFreq=5\nSelfTest=6\n");
    EXPECT_EQ(s.OscFreq, 910);
    EXPECT_EQ(s.SelfTest, 0);
}

TEST_F(FilesTest, SettingsIntegerForms) {
    const auto osc = [&](const std::string& value) { return LoadFrom("[Settings]\nSelfTest=" + value + "\n").SelfTest; };
    EXPECT_EQ(osc("0x400"), 1024);
    EXPECT_EQ(osc("0X400"), 1024);
    EXPECT_EQ(osc("$400"), 1024);
    EXPECT_EQ(osc("$7fffFFFF"), 2147483647);
    EXPECT_EQ(osc("1234"), 1234);
    EXPECT_EQ(osc("-5"), -5);
    EXPECT_EQ(osc("+7"), 7);
    EXPECT_EQ(osc("  2000  "), 2000);
    EXPECT_EQ(osc("2147483647"), 2147483647);
    EXPECT_EQ(osc("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "abc", "12abc", "1 2", "0x", "$", "-", "0x1G", "1.5", "--1", "-0x10", "2147483648",
                            "-2147483649", "0x80000000", "$FFFFFFFF", "4294967296", "99999999999999999999999",
                            "0x10000000000000001"}) {
        EXPECT_EQ(osc(bad), 0) << '"' << bad << '"';
    }
}

// OscFreq values whose run tick would take longer than a tick of host time,
// or whose grant would not fit, are refused with a warning.
TEST_F(FilesTest, OscFreqOutOfRangeIsRefusedWithAWarning) {
    const struct {
        const char* value;
        int32_t taken;
        bool warned;
    } cases[] = {
        {"100000", 100000, false}, {"-100000", -100000, false}, {"0", 0, false},          {"100001", 910, true},
        {"300000000", 910, true},  {"-100001", 910, true},      {"0x7FFFFFFF", 910, true}, {"fast", 910, true},
    };
    for (const auto& c : cases) {
        WriteText(std::string("[Settings]\nOscFreq=") + c.value + "\n");
        Settings s;
        const std::vector<std::string> warnings = LoadSettings(s, dir);
        EXPECT_EQ(s.OscFreq, c.taken) << c.value;
        EXPECT_EQ(warnings.size(), c.warned ? 1u : 0u) << c.value;
    }
    WriteText("[Settings]\nOscFreq=300000000\nSelfTest=\x01x\n");
    Settings s;
    EXPECT_EQ(LoadSettings(s, dir),
              (std::vector<std::string>{
                  "varnox.ini: OscFreq=300000000 is out of range (-100000 to 100000); the default 910 is used",
                  "varnox.ini: SelfTest=\\x01x is not an integer; the default 0 is used"}));
    // The start of a machine gives them first among its messages.
    const LoadResult r = LoadMachine(*m, dir);
    EXPECT_EQ(r.Messages.front().rfind("varnox.ini: OscFreq=", 0), 0u);
    EXPECT_EQ(m->Config.OscFreq, 910);
}

// A pipe in place of a file would block its reader for ever: it counts as
// missing, as a directory does.
TEST_F(FilesTest, PipesAndDirectoriesCountAsMissing) {
    ASSERT_EQ(::mkfifo((dir / SettingsFileName).c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / Rom0FileName).c_str(), 0600), 0);
    fs::create_directory(dir / CharsetFileName);
    fs::create_directory(dir / Rom1FileName);
    fs::create_directory(dir / RamFileName);
    Write(RegisterFileName, Pattern(RegisterFileBytes, 4));
    const LoadResult r = LoadMachine(*m, dir);
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(r.Messages, (std::vector<std::string>{"Failed to load the file charset.bin: it is a directory",
                                                   "Failed to load the file rom0.bin: it is not a regular file",
                                                   "Failed to load the file rom1.bin: it is a directory",
                                                   "Failed to load the file ram.bin: it is a directory"}));
    EXPECT_EQ(m->Config.OscFreq, 910);
    EXPECT_EQ(m->DataRom[0x7FFF], 0xFF);
    EXPECT_EQ(Prefix(m->Cpu.MainRegisterFile, RegisterFileBytes), Pattern(RegisterFileBytes, 4));
}

TEST_F(FilesTest, SettingsLayoutAsIniReadersAcceptIt) {
    const Settings s = LoadFrom(
        "\xEF\xBB\xBF; comment\r\n"
        "[Other]\r\n"
        "SelfTest=9\r\n"
        "  [ settings ]  \r\n"
        "# OscFreq=1\r\n"
        "  oscfreq  =  0x100  \r\n"
        "OSCFREQ=5\r\n"
        "garbage line\r\n"
        "SELFTEST = -1\r\n");
    EXPECT_EQ(s.OscFreq, 256);  // the first occurrence counts
    EXPECT_EQ(s.SelfTest, -1);
}

// ---- Loading ---------------------------------------------------------------

TEST_F(FilesTest, NoFilesAtAll) {
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(r.Messages, (std::vector<std::string>{"Failed to load the file charset.bin",
                                                   "Failed to load the file rom0.bin"}));
    for (const uint8_t b : m->DataRom) ASSERT_EQ(b, 0xFF);
    for (const uint8_t b : m->InstrRom) ASSERT_EQ(b, 0);
    for (const uint8_t b : m->Lcd.CharGenerator) ASSERT_EQ(b, 0);
    for (const uint8_t b : m->DataRam) ASSERT_EQ(b, 0);
}

TEST_F(FilesTest, AllFilesFillTheirRegions) {
    std::vector<uint8_t> charset(CharsetFileBytes, 0);
    charset[8] = 0xA5;
    charset[2047] = 0x3C;
    Write(CharsetFileName, charset);
    std::vector<uint8_t> rom0 = Pattern(InstrRomBytes + 5, 1);  // longer: the rest is ignored, with a warning
    Write(Rom0FileName, rom0);
    Write(Rom1FileName, Pattern(DataRomBytes, 2));
    Write(RamFileName, Pattern(DataRamBytes, 3));
    Write(RegisterFileName, Pattern(RegisterFileBytes, 4));

    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(r.Messages,
              std::vector<std::string>{"rom0.bin: 18437 bytes, expected 18432; only the first 18432 bytes were used"});
    EXPECT_EQ(m->Lcd.CharGenerator[16], 0xA);  // glyph 1, column 0, top dot set
    EXPECT_EQ(m->Lcd.CharGenerator[17], 0x5);
    EXPECT_EQ(m->Lcd.CharGenerator[4094], 0x3);
    EXPECT_EQ(m->Lcd.CharGenerator[4095], 0xC);
    EXPECT_EQ(std::count(m->Lcd.CharGenerator.begin(), m->Lcd.CharGenerator.end(), 0), 4096 - 4);
    rom0.resize(InstrRomBytes);
    EXPECT_EQ(Prefix(m->InstrRom, InstrRomBytes), rom0);
    EXPECT_EQ(Prefix(m->DataRom, DataRomBytes), Pattern(DataRomBytes, 2));
    EXPECT_EQ(Prefix(m->DataRam, DataRamBytes), Pattern(DataRamBytes, 3));
    EXPECT_EQ(Prefix(m->Cpu.MainRegisterFile, RegisterFileBytes), Pattern(RegisterFileBytes, 4));
}

TEST_F(FilesTest, ShortRamStopsBeforeTheRegisterFile) {
    Write(Rom1FileName, Pattern(DataRomBytes, 2));
    Write(RamFileName, Pattern(8000, 3));
    Write(RegisterFileName, Pattern(RegisterFileBytes, 4));
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.Messages, (std::vector<std::string>{
                              "Failed to load the file charset.bin", "Failed to load the file rom0.bin",
                              "ram.bin: 8000 bytes, expected 8192; the rest of the files were not loaded"}));
    EXPECT_EQ(Prefix(m->DataRam, 8000), Pattern(8000, 3));  // what was read stays
    EXPECT_EQ(m->DataRam[8000], 0);
    for (const uint8_t b : m->Cpu.MainRegisterFile) ASSERT_EQ(b, 0);
}

// Every byte read stays, those of a last, partial instruction word too.
TEST_F(FilesTest, ShortInstructionRomKeepsEveryByteRead) {
    Write(CharsetFileName, std::vector<uint8_t>(CharsetFileBytes, 0x11));
    Write(Rom0FileName, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.Messages,
              std::vector<std::string>{"rom0.bin: 10 bytes, expected 18432; the rest of the files were not loaded"});
    EXPECT_EQ(Prefix(m->InstrRom, 12), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0}));
    for (const uint8_t b : m->DataRom) ASSERT_EQ(b, 0);  // rom1.bin was never looked at
}

TEST_F(FilesTest, ShortCharsetIsStillExpanded) {
    Write(CharsetFileName, {0x12, 0x34, 0x56});
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.Messages,
              std::vector<std::string>{"charset.bin: 3 bytes, expected 2048; the rest of the files were not loaded"});
    EXPECT_EQ(Prefix(m->Lcd.CharGenerator, 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));
    for (const uint8_t b : m->Lcd.CharGenerator) ASSERT_LE(b, 0x0F);
}

// A long file is used as far as its size, with a warning; a short last file
// has no rest to skip.
TEST_F(FilesTest, LongFilesWarnAndAShortLastFileSaysNoMore) {
    Write(Rom1FileName, Pattern(40000, 2));
    Write(RegisterFileName, Pattern(100, 4));
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.Messages, (std::vector<std::string>{
                              "Failed to load the file charset.bin", "Failed to load the file rom0.bin",
                              "rom1.bin: 40000 bytes, expected 32768; only the first 32768 bytes were used",
                              "register.bin: 100 bytes, expected 128"}));
    EXPECT_EQ(Prefix(m->DataRom, DataRomBytes), Prefix(Pattern(40000, 2), DataRomBytes));
}

// A start reads only the files asked for and tells what became of each, so
// that a command can go on or fail by it.
TEST_F(FilesTest, OnlyTheChosenFilesAreReadAndEachOutcomeIsTold) {
    using enum FileOutcome;
    const FileChoice listing{.Charset = false, .Registers = false};
    const std::string rest = "; the rest of the files were not loaded";
    const struct {
        const char* what;
        FileChoice choice;
        std::function<void()> arrange;
        std::vector<std::string> messages;
        std::vector<std::pair<std::string, FileOutcome>> outcomes;
    } cases[] = {
        {"nothing there, for a listing", listing, [] {}, {"Failed to load the file rom0.bin"},
         {{"rom0.bin", Missing}, {"rom1.bin", Missing}, {"ram.bin", Missing}}},
        {"a one-byte character set", {}, [&] { Write(CharsetFileName, {1}); },
         {"charset.bin: 1 byte, expected 2048" + rest}, {{"charset.bin", Short}}},
        {"rom0.bin that cannot be read", {}, [&] { fs::create_symlink("/proc/self/mem", dir / Rom0FileName); },
         {"Failed to load the file charset.bin", "rom0.bin: Input/output error after 0 bytes, expected 18432" + rest},
         {{"charset.bin", Missing}, {"rom0.bin", Unreadable}}},
        {"the last file chosen has no rest", listing,
         [&] { Write(Rom0FileName, Pattern(InstrRomBytes, 1)); Write(Rom1FileName, Pattern(40000, 2)); Write(RamFileName, {1}); },
         {"rom1.bin: 40000 bytes, expected 32768; only the first 32768 bytes were used", "ram.bin: 1 byte, expected 8192"},
         {{"rom0.bin", InFull}, {"rom1.bin", Long}, {"ram.bin", Short}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartAfresh();
        c.arrange();
        const LoadResult r = LoadFiles(*m, dir, c.choice);
        EXPECT_EQ(r.Messages, c.messages);
        EXPECT_EQ(r.Outcomes, c.outcomes);
    }
}

// ---- Saving ----------------------------------------------------------------

// The guard of a start from the directory as it is now.
SaveGuard GuardOfALoad(const fs::path& dir) {
    auto scratch = std::make_unique<Machine>();
    return LoadFiles(*scratch, dir).Guard;
}

TEST_F(FilesTest, SaveAndLoadRoundTrip) {
    Write(RamFileName, std::vector<uint8_t>(DataRamBytes, 0xEE));
    ::chmod((dir / RamFileName).c_str(), 0600);
    SaveGuard guard = GuardOfALoad(dir);
    std::copy_n(Pattern(DataRamBytes, 9).begin(), DataRamBytes, m->DataRam.begin());
    std::copy_n(Pattern(RegisterFileBytes, 8).begin(), RegisterFileBytes, m->Cpu.MainRegisterFile.begin());
    const SaveResult saved = SaveFiles(*m, dir, guard);
    EXPECT_TRUE(saved.Messages.empty());
    EXPECT_FALSE(saved.Failed);
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"ram.bin", "register.bin"}));  // no temporaries left
    EXPECT_EQ((fs::status(dir / RamFileName).permissions() & fs::perms::all), fs::perms::owner_read | fs::perms::owner_write);

    auto loaded = std::make_unique<Machine>();
    LoadFiles(*loaded, dir);
    EXPECT_EQ(loaded->DataRam, m->DataRam);
    EXPECT_EQ(loaded->Cpu.MainRegisterFile, m->Cpu.MainRegisterFile);
}

TEST_F(FilesTest, FailedRegisterSaveAfterRamWasWritten) {
    fs::create_directory(dir / RegisterFileName);
    m->DataRam[5] = 0x42;
    SaveGuard guard;
    SaveResult saved = SaveFiles(*m, dir, guard);
    EXPECT_EQ(saved.Messages, std::vector<std::string>{"Failed to save the file register.bin: Is a directory"});
    EXPECT_TRUE(saved.Failed);
    EXPECT_EQ(Read(RamFileName), Prefix(m->DataRam, DataRamBytes));
    EXPECT_TRUE(fs::is_directory(dir / RegisterFileName));
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"ram.bin", "register.bin"}));

    saved = SaveFiles(*m, dir / "absent", guard);
    EXPECT_EQ(saved.Messages, (std::vector<std::string>{"Failed to save the file ram.bin: No such file or directory",
                                                       "Failed to save the file register.bin: No such file or directory"}));
}

// A write that fails part way (here: the file size limit, which also binds
// root) must leave the old image whole, and the other file is still saved.
TEST_F(FilesTest, FailedRamSaveKeepsTheOldFile) {
    const std::vector<uint8_t> old = Pattern(DataRamBytes, 77);
    Write(RamFileName, old);
    SaveGuard guard = GuardOfALoad(dir);
    m->DataRam.fill(0x11);
    m->Cpu.MainRegisterFile.fill(0x22);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const SaveResult result = SaveFiles(*m, dir, guard);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result.Messages, std::vector<std::string>{"Failed to save the file ram.bin: File too large"});
    EXPECT_EQ(Read(RamFileName), old);
    EXPECT_EQ(Read(RegisterFileName), std::vector<uint8_t>(RegisterFileBytes, 0x22));
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"ram.bin", "register.bin"}));
}

TEST_F(FilesTest, SaveThroughASymbolicLinkKeepsTheLink) {
    fs::create_directory(dir / "memory");
    Write("memory/ram-image", std::vector<uint8_t>(DataRamBytes, 0));
    fs::create_symlink("memory/ram-image", dir / RamFileName);
    SaveGuard guard = GuardOfALoad(dir);
    m->DataRam.fill(0x33);
    EXPECT_TRUE(SaveFiles(*m, dir, guard).Messages.empty());
    EXPECT_TRUE(fs::is_symlink(dir / RamFileName));
    EXPECT_EQ(Read("memory/ram-image"), std::vector<uint8_t>(DataRamBytes, 0x33));
    EXPECT_FALSE(fs::exists(dir / "ram.bin.bak"));
}

// A memory image that was on disk but not read in full at start is kept as
// a ".bak" before the first save replaces it; an earlier copy is never
// replaced, and a copy is made only when something would be lost.
TEST_F(FilesTest, UnreadMemoryIsKeptBeforeItIsReplaced) {
    const std::vector<uint8_t> ram(DataRamBytes, 0x5A);
    const std::vector<uint8_t> registers(RegisterFileBytes, 0xA5);
    const std::string ramKept = "ram.bin was not read in full at start; its old contents are kept in ";
    const std::string registersKept = "register.bin was not read in full at start; its old contents are kept in ";
    const struct {
        const char* what;
        std::function<void()> arrange;        // before the start
        std::function<void()> meanwhile;      // between start and save
        std::vector<std::string> messages;    // of the save
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;  // afterwards
    } cases[] = {
        {"loading stopped at a short rom0.bin",
         [&] { Write(RamFileName, ram); Write(Rom0FileName, std::vector<uint8_t>(100)); }, [] {},
         {ramKept + "ram.bin.bak"},
         {{"ram.bin.bak", ram}, {"ram.bin", std::vector<uint8_t>(DataRamBytes, 0)}}},
        {"a short ram.bin, and register.bin never read",
         [&] { Write(RamFileName, Prefix(ram, 100)); Write(RegisterFileName, registers); }, [] {},
         {ramKept + "ram.bin.bak", registersKept + "register.bin.bak"},
         {{"ram.bin.bak", Prefix(ram, 100)}, {"register.bin.bak", registers}}},
        {"a long register.bin",
         [&] { Write(RegisterFileName, Pattern(200, 1)); }, [] {},
         {registersKept + "register.bin.bak"}, {{"register.bin.bak", Pattern(200, 1)}}},
        {"read in full", [&] { Write(RamFileName, ram); }, [] {}, {}, {{"ram.bin", std::vector<uint8_t>(DataRamBytes, 0)}}},
        {"put there after the start", [] {}, [&] { Write(RamFileName, ram); },
         {"ram.bin was put there since start; its contents are kept in ram.bin.bak"}, {{"ram.bin.bak", ram}}},
        {"read in full, then touched", [&] { Write(RamFileName, ram); },
         [&] { fs::last_write_time(dir / RamFileName, fs::last_write_time(dir / RamFileName) + std::chrono::hours(1)); },
         {"ram.bin changed on disk since start; its contents are kept in ram.bin.bak"}, {{"ram.bin.bak", ram}}},
        {"an older copy is kept too",
         [&] { Write(RamFileName, ram); Write("ram.bin.bak", {1}); Write(Rom0FileName, {}); }, [] {},
         {ramKept + "ram.bin.bak.1"}, {{"ram.bin.bak", {1}}, {"ram.bin.bak.1", ram}}},
        {"a copy with the same contents is there already",
         [&] { Write(RamFileName, ram); Write("ram.bin.bak", ram); Write(Rom0FileName, {}); }, [] {},
         {ramKept + "ram.bin.bak"}, {{"ram.bin.bak", ram}}},
        {"nothing would be lost",
         [&] { Write(RamFileName, std::vector<uint8_t>(DataRamBytes, 0)); Write(Rom0FileName, {}); }, [] {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartAfresh();
        c.arrange();
        LoadResult loaded = LoadFiles(*m, dir);
        m->DataRam.fill(0);
        m->Cpu.MainRegisterFile.fill(0);
        c.meanwhile();
        const SaveResult saved = SaveFiles(*m, dir, loaded.Guard);
        EXPECT_EQ(saved.Messages, c.messages);
        EXPECT_FALSE(saved.Failed);
        for (const auto& [name, bytes] : c.files) EXPECT_EQ(Read(name), bytes) << name;
        // The next save replaces what this one wrote without another copy.
        const std::vector<std::string> names = DirectoryNames();
        m->DataRam.fill(0x77);
        EXPECT_TRUE(SaveFiles(*m, dir, loaded.Guard).Messages.empty());
        EXPECT_EQ(DirectoryNames(), names);
    }
}

// When no copy can be kept, the old file is not replaced.
TEST_F(FilesTest, NoCopyNoReplacement) {
    const std::vector<uint8_t> ram(DataRamBytes, 0x5A);
    Write(RamFileName, ram);
    Write(Rom0FileName, {});
    LoadResult loaded = LoadFiles(*m, dir);
    fs::create_directory(dir / "ram.bin.bak");
    for (int n = 1; n < 100; ++n) fs::create_directory(dir / ("ram.bin.bak." + std::to_string(n)));
    const SaveResult saved = SaveFiles(*m, dir, loaded.Guard);
    EXPECT_TRUE(saved.Failed);
    EXPECT_EQ(saved.Messages,
              std::vector<std::string>{"Failed to save the file ram.bin: no copy of the old file could be kept (File exists)"});
    EXPECT_EQ(Read(RamFileName), ram);
    EXPECT_EQ(Read(RegisterFileName).size(), static_cast<size_t>(RegisterFileBytes));
}

// Temporaries of a save that a kill interrupted go at the next start; those
// of a process still running, and other names, stay.
TEST_F(FilesTest, StartRemovesTemporariesOfDeadProcesses) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child);
    const std::string alive = std::to_string(::getppid());
    for (const std::string& name : {"ram.bin.tmp" + dead + "-0", "register.bin.tmp" + dead + "-7",
                                    "ram.bin.tmp" + alive + "-0", std::string("ram.bin.tmpx-0"), "rom0.bin.tmp" + dead + "-0"}) {
        Write(name, {1, 2, 3});
    }
    LoadFiles(*m, dir);
    EXPECT_EQ(DirectoryNames(),
              (std::vector<std::string>{"ram.bin.tmp" + alive + "-0", "ram.bin.tmpx-0", "rom0.bin.tmp" + dead + "-0"}));
}

}  // namespace
}  // namespace varnox
