// The calculator's files and settings in a directory (the working directory
// for the emulator). Failures come back as the texts the user is shown.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/Def.h"

namespace varnox {

inline constexpr const char* SettingsFileName = "varnox.ini";
inline constexpr const char* CharsetFileName = "charset.bin";
inline constexpr const char* Rom0FileName = "rom0.bin";
inline constexpr const char* Rom1FileName = "rom1.bin";
inline constexpr const char* RamFileName = "ram.bin";
inline constexpr const char* RegisterFileName = "register.bin";
inline constexpr const char* KeysFileName = "keys.bmp";

// Reads "OscFreq" and "SelfTest" of section "Settings"; anything absent or
// not an integer gives the default.
void LoadSettings(Settings& settings, const std::filesystem::path& dir);

struct LoadResult {
    std::vector<std::string> Messages;  // one message box each, in order
    bool Completed = true;  // false after an input/output error: skip LcdReset
};

// Reads charset.bin, rom0.bin, rom1.bin, ram.bin, register.bin in that order.
LoadResult LoadFiles(Machine& m, const std::filesystem::path& dir);

// The start of a machine from its directory, as the window is created:
// settings, then the files, then the LCD reset, which an input/output error
// while loading skips.
LoadResult LoadMachine(Machine& m, const std::filesystem::path& dir);

// Writes ram.bin then register.bin, each through a temporary file renamed
// over the old one. Returns the failure messages.
std::vector<std::string> SaveFiles(const Machine& m, const std::filesystem::path& dir);

}  // namespace varnox
