// varnox-tool: the machine and its assembly language from the command line.
#include <cstdio>
#include <new>
#include <string>

#include "Commands.h"
#include "Messages.h"

namespace {

using namespace varnox::tool;

struct Command {
    const CommandSpec& spec;
    int (*main)(const Args& args);
};

const Command Commands[] = {
    {RunSpec, RunCommand}, {LineSpec, LineCommand}, {DisSpec, DisCommand},
    {ListSpec, ListCommand}, {AsmSpec, AsmCommand}, {KitSpec, KitCommand},
};

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: varnox-tool COMMAND [ARGS]\n\n");
    for (const Command& command : Commands) {
        std::fprintf(out, "  %s\n      %.*s\n", UsageLine(command.spec).c_str(),
                     static_cast<int>(command.spec.Summary.size()), command.spec.Summary.data());
    }
    std::fprintf(out,
                 "\nvarnox-tool COMMAND --help describes a command.\n"
                 "varnox-tool --version prints the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("varnox-tool %s\n", VARNOX_VERSION);
        return 0;
    }
    for (const Command& command : Commands) {
        if (name != command.spec.Name) continue;
        try {
            return command.main(Args(argv + 2, argv + argc));
        } catch (const std::bad_alloc&) {
            Complain("varnox-tool " + name + ": out of memory");
            return 1;
        }
    }
    Complain("varnox-tool: unknown command: " + name);
    PrintUsage(stderr);
    return 2;
}
