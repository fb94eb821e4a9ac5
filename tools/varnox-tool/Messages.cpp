#include "Messages.h"

#include <cstdio>
#include <cstdlib>

#include "system/DataFolder.h"

namespace varnox::tool {

void Complain(std::string_view text) { std::fprintf(stderr, "%s\n", ForTerminal(text).c_str()); }

std::string WhereMachineFilesAre(std::string_view command, const std::string& dataFolder) {
    std::string text(command);
    text += ": the files are read from the current folder; ";
    if (!dataFolder.empty()) text += "the window keeps its own in " + dataFolder + " (run there), and ";
    return text + "varnox-tool kit DIR writes the default kit into DIR";
}

std::string WhereMachineFilesAre(std::string_view command) {
    const auto data = UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    return WhereMachineFilesAre(command, data ? data->string() : std::string());
}

}  // namespace varnox::tool
