#include "system/DataFolder.h"

#include "system/Files.h"

namespace varnox {

namespace fs = std::filesystem;

bool HoldsMachineFiles(const fs::path& dir) {
    for (const auto& names : {std::span<const char* const>(KitFileNames), std::span<const char* const>(MemoryFileNames)}) {
        for (const char* name : names) {
            std::error_code error;
            if (fs::exists(fs::symlink_status(dir / name, error))) return true;
        }
    }
    return false;
}

std::optional<fs::path> UserDataFolder(const char* dataHome, const char* home) {
    if (dataHome && fs::path(dataHome).is_absolute()) return fs::path(dataHome) / "varnox";
    if (home && *home) return fs::path(home) / ".local" / "share" / "varnox";
    return std::nullopt;
}

StartFolder ChooseStartFolder(const std::optional<fs::path>& current, const std::optional<fs::path>& data,
                              std::span<const KitFile> kit) {
    if (current && (!data || HoldsMachineFiles(*current))) return {*current, {}};
    if (!data) return {};
    StartFolder start{*data, {}};
    // At every start, not only the first: a start that could not write the
    // kit (a full disk) may still have saved the memory there.
    const KitWritten written = WriteKit(kit, *data, KitOverwrite::MissingOnly);
    if (written.Failure) start.Messages.push_back("The default kit could not be written: " + *written.Failure);
    return start;
}

}  // namespace varnox
