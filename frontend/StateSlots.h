// The machine's state saved and loaded: in four slots beside the
// calculator's files, or in a file the user picks.
#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "frontend/FileChooser.h"

namespace varnox {

struct Machine;
class TScreenMessages;
class TWarningQueue;

class TStateSlots {
public:
    // Loads a state into the machine, or says why it did not.
    using TLoad = std::function<std::optional<std::string>(const std::filesystem::path& file)>;

    // `load` puts a state into the machine; `afterLoaded` brings the
    // window up to the machine it now shows. What is done is said on
    // screen, what failed in a warning.
    TStateSlots(Machine& machine, std::filesystem::path dir, const TChooseFile& chooseFile, TWarningQueue& warnings,
                TScreenMessages& messages, TLoad load, std::function<void()> afterLoaded);

    // False when it failed, which a warning says.
    bool SaveTo(const std::filesystem::path& file);
    bool LoadFrom(const std::filesystem::path& file);
    void SaveSlot(int slot);
    void LoadSlot(int slot);
    void SaveToChosenFile();
    void LoadFromChosenFile();

    // What the slot holds as it is now: "Slot 2 (2024-05-01 12:00:00)", "Slot 3 (empty)".
    QString SlotText(int slot) const;
    // No file in the slot's place (a file that cannot be loaded is not empty:
    // loading it says why).
    bool SlotEmpty(int slot) const;

private:
    TFileRequest Request(bool save) const;

    Machine& machine_;
    std::filesystem::path dir_;
    const TChooseFile& chooseFile_;
    TWarningQueue& warnings_;
    TScreenMessages& messages_;
    TLoad load_;
    std::function<void()> afterLoaded_;
};

}  // namespace varnox
