// Data files and settings in a scratch directory.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/Def.h"
#include "frontend/Files.h"

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
    const auto osc = [&](const std::string& value) { return LoadFrom("[Settings]\nOscFreq=" + value + "\n").OscFreq; };
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
        EXPECT_EQ(osc(bad), 910) << '"' << bad << '"';
    }
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
    std::vector<uint8_t> rom0 = Pattern(InstrRomBytes + 5, 1);  // longer: the rest is ignored
    Write(Rom0FileName, rom0);
    Write(Rom1FileName, Pattern(DataRomBytes, 2));
    Write(RamFileName, Pattern(DataRamBytes, 3));
    Write(RegisterFileName, Pattern(RegisterFileBytes, 4));

    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_TRUE(r.Completed);
    EXPECT_TRUE(r.Messages.empty());
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
    EXPECT_EQ(r.Messages, (std::vector<std::string>{"Failed to load the file charset.bin",
                                                   "Failed to load the file rom0.bin", "Read beyond end of file"}));
    EXPECT_EQ(Prefix(m->DataRam, 8000), Pattern(8000, 3));  // what was read stays
    EXPECT_EQ(m->DataRam[8000], 0);
    for (const uint8_t b : m->Cpu.MainRegisterFile) ASSERT_EQ(b, 0);
}

TEST_F(FilesTest, ShortInstructionRomKeepsWholeWordsOnly) {
    Write(CharsetFileName, std::vector<uint8_t>(CharsetFileBytes, 0x11));
    Write(Rom0FileName, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.Messages, std::vector<std::string>{"Read beyond end of file"});
    EXPECT_EQ(Prefix(m->InstrRom, 10), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0}));
    for (const uint8_t b : m->DataRom) ASSERT_EQ(b, 0);  // rom1.bin was never looked at
}

TEST_F(FilesTest, ShortCharsetIsStillExpanded) {
    Write(CharsetFileName, {0x12, 0x34, 0x56});
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.Messages, std::vector<std::string>{"Read beyond end of file"});
    EXPECT_EQ(Prefix(m->Lcd.CharGenerator, 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));
    for (const uint8_t b : m->Lcd.CharGenerator) ASSERT_LE(b, 0x0F);
}

TEST_F(FilesTest, DirectoryInPlaceOfAFileCountsAsMissing) {
    fs::create_directory(dir / CharsetFileName);
    fs::create_directory(dir / Rom1FileName);
    fs::create_directory(dir / RamFileName);
    Write(RegisterFileName, Pattern(RegisterFileBytes, 4));
    const LoadResult r = LoadFiles(*m, dir);
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(r.Messages, (std::vector<std::string>{"Failed to load the file charset.bin",
                                                   "Failed to load the file rom0.bin"}));
    EXPECT_EQ(m->DataRom[0x7FFF], 0xFF);
    EXPECT_EQ(Prefix(m->Cpu.MainRegisterFile, RegisterFileBytes), Pattern(RegisterFileBytes, 4));
}

// ---- Saving ----------------------------------------------------------------

TEST_F(FilesTest, SaveAndLoadRoundTrip) {
    Write(RamFileName, std::vector<uint8_t>(10000, 0xEE));  // an older, longer file
    ::chmod((dir / RamFileName).c_str(), 0600);
    std::copy_n(Pattern(DataRamBytes, 9).begin(), DataRamBytes, m->DataRam.begin());
    std::copy_n(Pattern(RegisterFileBytes, 8).begin(), RegisterFileBytes, m->Cpu.MainRegisterFile.begin());
    EXPECT_TRUE(SaveFiles(*m, dir).empty());
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
    EXPECT_EQ(SaveFiles(*m, dir), std::vector<std::string>{"Failed to save the file register.bin"});
    EXPECT_EQ(Read(RamFileName), Prefix(m->DataRam, DataRamBytes));
    EXPECT_TRUE(fs::is_directory(dir / RegisterFileName));
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"ram.bin", "register.bin"}));

    EXPECT_EQ(SaveFiles(*m, dir / "absent"),
              (std::vector<std::string>{"Failed to save the file ram.bin", "Failed to save the file register.bin"}));
}

// A write that fails part way (here: the file size limit, which also binds
// root) must leave the old image whole, and the other file is still saved.
TEST_F(FilesTest, FailedRamSaveKeepsTheOldFile) {
    const std::vector<uint8_t> old = Pattern(DataRamBytes, 77);
    Write(RamFileName, old);
    m->DataRam.fill(0x11);
    m->Cpu.MainRegisterFile.fill(0x22);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::vector<std::string> messages = SaveFiles(*m, dir);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(messages, std::vector<std::string>{"Failed to save the file ram.bin"});
    EXPECT_EQ(Read(RamFileName), old);
    EXPECT_EQ(Read(RegisterFileName), std::vector<uint8_t>(RegisterFileBytes, 0x22));
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"ram.bin", "register.bin"}));
}

TEST_F(FilesTest, SaveThroughASymbolicLinkKeepsTheLink) {
    fs::create_directory(dir / "memory");
    Write("memory/ram-image", std::vector<uint8_t>(DataRamBytes, 0));
    fs::create_symlink("memory/ram-image", dir / RamFileName);
    m->DataRam.fill(0x33);
    EXPECT_TRUE(SaveFiles(*m, dir).empty());
    EXPECT_TRUE(fs::is_symlink(dir / RamFileName));
    EXPECT_EQ(Read("memory/ram-image"), std::vector<uint8_t>(DataRamBytes, 0x33));
}

}  // namespace
}  // namespace varnox
