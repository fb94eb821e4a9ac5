// varnox-tool: the machine and its assembly language from the command line.
#include <cstdio>
#include <string>

#include "Commands.h"

namespace {

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: varnox-tool COMMAND [ARGS]\n"
                 "  run [--steps N] [--break HEX] [--ticks N] [--hold K@A-B]... [--screen FILE]\n"
                 "      [--no-save] [--trace]       run the machine in the working directory\n"
                 "  line TEXT                       assemble one line\n"
                 "  dis B0 [B1 [B2]]                disassemble one instruction word\n"
                 "  list [--from HEX] [--lines N]   list code from the working directory\n"
                 "  asm SOURCE -o DIR [--listing FILE]  assemble a source into rom0.bin and rom1.bin\n");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace varnox::tool;
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    const std::string command = argv[1];
    const Args args(argv + 2, argv + argc);
    if (command == "run") return RunCommand(args);
    if (command == "line") return LineCommand(args);
    if (command == "dis") return DisCommand(args);
    if (command == "list") return ListCommand(args);
    if (command == "asm") return AsmCommand(args);
    PrintUsage();
    return 2;
}
