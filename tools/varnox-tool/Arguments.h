// The command lines of the subcommands, read one way for all: options
// before, between or after the operands, as "--name value" or
// "--name=value"; "--" ends the options; -h and --help print the help.
#pragma once

#include <charconv>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace varnox::tool {

using Args = std::vector<std::string>;

struct OptionSpec {
    std::string_view Name;   // "--steps"
    std::string_view Value;  // what it takes, as "N"; empty for a flag
    std::string_view Help;   // one line
    std::string_view Alias = {};  // a short form, as "-o"
};

struct CommandSpec {
    std::string_view Name;      // "run"
    std::string_view Synopsis;  // the usage after the name
    std::string_view Summary;   // one line, also in the tool's usage
    std::span<const OptionSpec> Options;
    size_t MinOperands = 0;
    size_t MaxOperands = 0;
    std::string_view Details = {};  // more lines of help, or empty
};

struct ParsedOption {
    std::string_view Name;  // the option's own name, also when given by its alias
    std::string Value;
};

struct CommandLine {
    std::vector<ParsedOption> Options;  // in the order given
    std::vector<std::string> Operands;
    bool Has(std::string_view name) const;
};

// The command line, or the exit status when the command is done already:
// 0 after printing the help on stdout, 2 after a usage error on stderr.
std::variant<CommandLine, int> ParseCommandLine(const CommandSpec& spec, const Args& args);

// "varnox-tool NAME: PROBLEM" and the usage on stderr; returns 2.
int UsageError(const CommandSpec& spec, const std::string& problem);

// The usage line: "varnox-tool NAME SYNOPSIS".
std::string UsageLine(const CommandSpec& spec);

// The whole text as a number of the base within [low, high], or nothing.
inline std::optional<long long> ParseNumber(const std::string& text, int base, long long low, long long high) {
    long long value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value, base);
    if (text.empty() || error != std::errc() || end != last || value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace varnox::tool
