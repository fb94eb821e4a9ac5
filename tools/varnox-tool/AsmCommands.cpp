// varnox-tool line, dis and list: the assembler and the disassembler as the
// debugger uses them, from the command line.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "Messages.h"
#include "asm/Asem.h"
#include "asm/Dis.h"
#include "asm/Listing.h"
#include "asm/NamedListing.h"
#include "core/Def.h"
#include "debugger/ProgramPlace.h"
#include "debugger/SymbolFile.h"
#include "system/Files.h"

namespace varnox::tool {
namespace {

constexpr int DefaultListLines = 16;

constexpr OptionSpec ListOptions[] = {
    {"--from", "ADDR", "first address: a name of rom.sym, else hex (default 0)"},
    {"--lines", "N", "how many lines (default 16)"},
    {"--source", "DIR", "show the source line above its words, the sources read from DIR"},
};

// The sources' text for --source, and those that could not be read, each
// said once.
struct ListedSources {
    SourceTexts Texts;
    std::set<std::string> Unread;
};

// A source line as the terminal shows it: a tab as the blanks to the next
// stop of 8, other control bytes as \xNN.
std::string ShownSourceText(std::string_view text) {
    constexpr size_t TabStop = 8;
    std::string expanded;
    for (const char c : text) {
        if (c == '\t') expanded.append(TabStop - expanded.size() % TabStop, ' ');
        else expanded += c;
    }
    return ForTerminal(expanded);
}

// "; FILE:LINE  text" above the first of a group of words from one source
// line, when rom.sym has line rows.
void PrintSourceLine(const SourceMap& lines, ListedSources& sources, uint16_t address, const SourceLineRow*& last) {
    const SourceLineRow* row = lines.LineAt(address);
    if (!row || (last && last->File == row->File && last->Line == row->Line)) return;
    last = row;
    std::string problem;
    const SourceFile* text = sources.Texts.File(row->File, &problem);
    if (!text && sources.Unread.insert(row->File).second) Complain("varnox-tool list: " + ForTerminal(problem));
    std::printf("; %s:%d  %s\n", ForTerminal(row->File).c_str(), row->Line,
                text ? ShownSourceText(text->Line(row->Line)).c_str() : "");
}

}  // namespace

const CommandSpec LineSpec{"line", "TEXT", "assemble one line, as typed in the debugger", {}, 1, 1,
                           "Prints the bytes in hexadecimal, or \"error at N\" (exit 1) with the\n"
                           "position of the first character not accepted."};
const CommandSpec DisSpec{"dis", "B0 [B1 [B2]]", "disassemble one instruction word (hexadecimal bytes)", {}, 1, 3};
const CommandSpec ListSpec{"list", "[--from ADDR] [--lines N] [--source DIR]", "list code from rom0.bin in the working directory",
                           ListOptions, 0, 0,
                           "Reads rom0.bin, rom1.bin and ram.bin. Exit status 1 without rom0.bin\n"
                           "(nothing is listed) or when a file was short or unreadable. With rom.sym\n"
                           "beside rom0.bin, labelled words get a \"name:\" line before them and\n"
                           "addresses that a name stands for show the name; --from takes a name too.\n"
                           "With --source and line rows in rom.sym, each group of words is headed by\n"
                           "\"; FILE:LINE  text\", the text read from FILE in DIR (the main source's folder):\n"
                           "only files under DIR are read; exit status 1 when a source named could\n"
                           "not be read (each such file is said once)."};

int LineCommand(const Args& args) {
    const auto parsed = ParseCommandLine(LineSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    const std::string text = std::get<CommandLine>(parsed).Operands[0].substr(0, AsmLineLimit);
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
    const auto parsed = ParseCommandLine(DisSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    const std::vector<std::string>& bytes = std::get<CommandLine>(parsed).Operands;
    InstructionWord word{};
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = bytes[i].size() <= 2 ? ParseNumber(bytes[i], 16, 0, 0xFF) : std::nullopt;
        if (!byte) return UsageError(DisSpec, "bad byte: " + bytes[i]);
        word[i] = static_cast<uint8_t>(*byte);
    }
    std::printf("%s\n", InstructionText(word).c_str());
    return 0;
}

int ListCommand(const Args& args) {
    const auto parsed = ParseCommandLine(ListSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    long long from = 0;
    long long lines = DefaultListLines;
    std::string fromName;
    std::optional<std::string> sourceDir;
    for (const ParsedOption& option : std::get<CommandLine>(parsed).Options) {
        if (option.Name == "--source") {
            sourceDir = option.Value;
            continue;
        }
        if (option.Name == "--from") {
            // Looked up once rom.sym is read: a name wins over hex digits that spell it.
            if (!LooksLikePlace(option.Value, false)) {
                return UsageError(ListSpec, "bad value: " + option.Value);
            }
            fromName = option.Value;
            continue;
        }
        const auto number = ParseNumber(option.Value, 10, 0, 0x7FFFFFFF);
        if (!number) return UsageError(ListSpec, "bad value: " + option.Value);
        lines = *number;
    }

    // The code is in the ROMs and, past them, in RAM; the character set,
    // the registers and the settings play no part.
    const std::filesystem::path dir = ".";
    auto machine = std::make_unique<Machine>();
    const LoadResult loaded = LoadFiles(*machine, dir, {.Charset = false, .Registers = false});
    for (const std::string& message : loaded.Messages) Complain(message);
    if (loaded.Lacks(Rom0FileName)) {
        Complain(std::string("varnox-tool list: nothing to list without ") + Rom0FileName);
        Complain(WhereMachineFilesAre("varnox-tool list"));
        return 1;
    }
    const SymbolLoad symbols = LoadSymbolsBeside(dir, *machine);
    for (const std::string& message : symbols.Messages) Complain(message);
    const SymbolTable* names = symbols.Table.Empty() ? nullptr : &symbols.Table;
    if (!fromName.empty()) {
        const AddressValue address = ParseAddressText(fromName, names);
        if (!address.Address) return UsageError(ListSpec, "bad value: " + fromName + " (" + address.Problem + ")");
        from = *address.Address;
    }

    ListedSources sources{SourceTexts(sourceDir.value_or(".")), {}};
    const SourceLineRow* lastRow = nullptr;
    // Printed as walked: a listing from 0 runs on for as many lines as asked.
    ForEachListingLine(*machine, static_cast<uint16_t>(from), lines, [&](const ListingLine& plain) {
        if (sourceDir) PrintSourceLine(symbols.Lines, sources, plain.Address, lastRow);
        if (!names) {
            std::printf("%s\n", FormatListingLine(plain).c_str());
            return;
        }
        for (const std::string* label : LabelsOfInstruction(*names, plain.Address)) std::printf("%s:\n", label->c_str());
        std::printf("%s\n", FormatListingLine(ListNamedInstruction(*machine, plain.Address, names)).c_str());
    });
    // A short file was listed as far as it went.
    return loaded.Completed && sources.Unread.empty() ? 0 : 1;
}

}  // namespace varnox::tool
