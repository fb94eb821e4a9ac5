// varnox-tool kit: the default kit the tool carries, written into a folder
// for the window or for `run`, never over a file of someone's own unless
// asked, and then with a copy of it kept.
#include <string>
#include <variant>

#include "Commands.h"
#include "Messages.h"
#include "system/DefaultKit.h"

namespace varnox::tool {
namespace {

constexpr OptionSpec KitOptions[] = {
    {"--force", "", "replace files already there, keeping each as NAME.bak (or .bak.1 and on)"},
};

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

const CommandSpec KitSpec{"kit", "DIR [--force]",
                          "write the default kit (firmware, rom.sym, keys.bmp, charset.bin, varnox.ini) into DIR",
                          KitOptions, 1, 1,
                          "DIR is made when missing. A file already there with other contents is\n"
                          "not replaced: then nothing is written and the exit status is 1, unless\n"
                          "--force is given. Files are written whole, all of them or none. A\n"
                          "symbolic link in a file's place is never written through: with other\n"
                          "contents it stops the command with status 1, --force or not."};

int KitCommand(const Args& args) {
    const auto parsed = ParseCommandLine(KitSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    const CommandLine& line = std::get<CommandLine>(parsed);
    const std::string& dir = line.Operands[0];
    if (dir.empty()) return UsageError(KitSpec, "DIR is empty");
    if (DefaultKit().empty()) {
        Complain("varnox-tool kit: this varnox-tool was built without the default kit");
        return 1;
    }
    const KitWritten written =
        WriteKit(DefaultKit(), dir, line.Has("--force") ? KitOverwrite::KeepCopies : KitOverwrite::Refuse);
    if (!written.Refused.empty()) {
        Complain("varnox-tool kit: " + ForTerminal(dir) + " holds other " + Joined(written.Refused) +
                 " already; nothing was written (--force replaces them, keeping copies)");
        return 1;
    }
    if (!written.Links.empty()) {
        Complain("varnox-tool kit: " + ForTerminal(dir) + " holds " + Joined(written.Links) +
                 " as a symbolic link; nothing was written (the kit is never written through a link: remove it first)");
        return 1;
    }
    for (const std::string& copy : written.Copies) Complain("varnox-tool kit: the old file is kept as " + ForTerminal(copy));
    if (written.Failure) {
        Complain("varnox-tool kit: " + ForTerminal(*written.Failure));
        return 1;
    }
    return 0;
}

}  // namespace varnox::tool
