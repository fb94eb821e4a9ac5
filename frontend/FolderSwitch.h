// File > Open folder...: moves the window to another folder of the
// calculator's files. The machine is saved where it is first, and the
// program then starts the window over on the folder chosen, as
// `varnox DIR` would.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "frontend/FileChooser.h"
#include "system/Files.h"

namespace varnox {

class TWarningQueue;

class TFolderSwitch {
public:
    // `save` saves the machine in `current` and says how it went; `close`
    // closes the window, which ends it there.
    TFolderSwitch(const std::filesystem::path& current, TChooseFile& chooseFile, TWarningQueue& warnings,
                  std::function<SaveResult()> save, std::function<void()> close);

    // Asks for the folder; a folder that cannot be used, or a save that
    // failed, leaves the window where it is and says why.
    void Choose();

    // The folder to go on with once the window has closed.
    const std::optional<std::filesystem::path>& Chosen() const { return chosen_; }

private:
    const std::filesystem::path& current_;
    TChooseFile& chooseFile_;
    TWarningQueue& warnings_;
    std::function<SaveResult()> save_;
    std::function<void()> close_;
    std::optional<std::filesystem::path> chosen_;
};

}  // namespace varnox
