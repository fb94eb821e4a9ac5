// Which folder the window works in when it is given none: the current one
// when it holds the calculator's files, else a folder of the user's own
// that starts with the default kit.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "system/DefaultKit.h"

namespace varnox {

// Whether any of the machine's files is in `dir`: the kit's files read at
// start or the memory images. Anything in one's place counts, so a folder
// that was used is used again, with the same messages.
bool HoldsMachineFiles(const std::filesystem::path& dir);

// "$XDG_DATA_HOME/varnox" (an absolute XDG_DATA_HOME only), else
// "$HOME/.local/share/varnox"; nothing when neither is set.
std::optional<std::filesystem::path> UserDataFolder(const char* dataHome, const char* home);

struct StartFolder {
    std::filesystem::path Dir;
    std::vector<std::string> Messages;  // what went wrong writing the kit
};

// `current` when it holds a machine file or there is no data folder; else
// the data folder, given the kit's files that are missing there at every
// start, none replaced. Without a current folder (one removed while the
// program was started in it) the data folder; without either, an empty Dir.
StartFolder ChooseStartFolder(const std::optional<std::filesystem::path>& current,
                              const std::optional<std::filesystem::path>& data, std::span<const KitFile> kit);

}  // namespace varnox
