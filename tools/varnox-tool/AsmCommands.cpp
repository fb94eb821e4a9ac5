// varnox-tool line, dis and list: the assembler and the disassembler as the
// debugger uses them, from the command line.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Arguments.h"
#include "Commands.h"
#include "asm/Asem.h"
#include "asm/Listing.h"
#include "core/Def.h"
#include "frontend/Files.h"

namespace varnox::tool {
namespace {

constexpr int DefaultListLines = 16;

int Usage(const char* command, const char* usage, const std::string& problem) {
    std::fprintf(stderr, "varnox-tool %s: %s\nusage: varnox-tool %s\n", command, problem.c_str(), usage);
    return 2;
}

}  // namespace

int LineCommand(const Args& args) {
    constexpr const char* usage = "line TEXT";
    if (args.size() != 1) return Usage("line", usage, "expects exactly one line of text");
    const std::string text = args[0].substr(0, AsmLineLimit);
    const AsmResult result = Assemble(text);
    if (result.AsmErrorPos != 0) {
        std::printf("error at %d\n", result.AsmErrorPos);
        return 1;
    }
    std::string bytes;
    for (int i = 0; i < result.AsmCount; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", result.AsmBytes[static_cast<size_t>(i)]);
        if (i) bytes += ' ';
        bytes += hex;
    }
    std::printf("%s\n", bytes.c_str());
    return 0;
}

int DisCommand(const Args& args) {
    constexpr const char* usage = "dis B0 [B1 [B2]]   (hexadecimal bytes)";
    if (args.empty() || args.size() > 3) return Usage("dis", usage, "expects one to three bytes");
    auto machine = std::make_unique<Machine>();
    for (size_t i = 0; i < args.size(); ++i) {
        const auto byte = args[i].size() <= 2 ? ParseNumber(args[i], 16, 0, 0xFF) : std::nullopt;
        if (!byte) return Usage("dis", usage, "bad byte: " + args[i]);
        machine->InstrRom[i] = static_cast<uint8_t>(*byte);
    }
    const ListingLine line = ListInstruction(*machine, 0);
    std::string text(line.Mnemonic);
    if (!line.Operands.empty()) text += " " + line.Operands;
    std::printf("%s\n", text.c_str());
    return 0;
}

int ListCommand(const Args& args) {
    constexpr const char* usage = "list [--from HEX] [--lines N]";
    long long from = 0;
    long long lines = DefaultListLines;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg != "--from" && arg != "--lines") || i + 1 >= args.size()) {
            return Usage("list", usage, "unknown argument or missing value: " + arg);
        }
        const std::string& value = args[++i];
        const auto number =
            arg == "--from" ? ParseNumber(value, 16, 0, 0xFFFF) : ParseNumber(value, 10, 0, 0x7FFFFFFF);
        if (!number) return Usage("list", usage, "bad value: " + value);
        (arg == "--from" ? from : lines) = *number;
    }

    const std::filesystem::path dir = ".";
    auto machine = std::make_unique<Machine>();
    const LoadResult loaded = LoadMachine(*machine, dir);
    for (const std::string& message : loaded.Messages) std::fprintf(stderr, "%s\n", message.c_str());

    // Printed as walked: a listing from 0 runs on for as many lines as asked.
    ForEachListingLine(*machine, static_cast<uint16_t>(from), lines, [](const ListingLine& line) {
        std::printf("%s\n", FormatListingLine(line).c_str());
    });
    return 0;
}

}  // namespace varnox::tool
