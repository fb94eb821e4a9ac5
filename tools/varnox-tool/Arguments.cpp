// One reading of the command line for every subcommand.
#include "Arguments.h"

#include <algorithm>
#include <cstdio>

#include "Messages.h"

namespace varnox::tool {
namespace {

constexpr std::string_view HelpName = "--help";
constexpr std::string_view HelpAlias = "-h";
constexpr size_t HelpColumn = 24;

const OptionSpec* FindOption(const CommandSpec& spec, std::string_view text) {
    for (const OptionSpec& option : spec.Options) {
        if (text == option.Name || (!option.Alias.empty() && text == option.Alias)) return &option;
    }
    return nullptr;
}

std::string OptionColumn(std::string_view alias, std::string_view name, std::string_view value) {
    std::string text = "  ";
    if (!alias.empty()) text.append(alias).append(", ");
    text.append(name);
    if (!value.empty()) text.append(" ").append(value);
    return text;
}

void PrintOptionLine(const std::string& column, std::string_view help) {
    std::string line = column;
    line.append(column.size() < HelpColumn ? HelpColumn - column.size() : 1, ' ');
    line.append(help);
    std::printf("%s\n", line.c_str());
}

void PrintHelp(const CommandSpec& spec) {
    std::printf("usage: %s\n%.*s\n\n", UsageLine(spec).c_str(), static_cast<int>(spec.Summary.size()),
                spec.Summary.data());
    for (const OptionSpec& option : spec.Options) {
        PrintOptionLine(OptionColumn(option.Alias, option.Name, option.Value), option.Help);
    }
    PrintOptionLine(OptionColumn(HelpAlias, HelpName, {}), "show this help");
    if (!spec.Details.empty()) std::printf("\n%.*s\n", static_cast<int>(spec.Details.size()), spec.Details.data());
}

}  // namespace

bool CommandLine::Has(std::string_view name) const {
    return std::any_of(Options.begin(), Options.end(), [name](const ParsedOption& o) { return o.Name == name; });
}

std::string UsageLine(const CommandSpec& spec) {
    std::string line = "varnox-tool ";
    line.append(spec.Name);
    if (!spec.Synopsis.empty()) line.append(" ").append(spec.Synopsis);
    return line;
}

int UsageError(const CommandSpec& spec, const std::string& problem) {
    std::fprintf(stderr, "varnox-tool %.*s: %s\nusage: %s\n(varnox-tool %.*s --help for more)\n",
                 static_cast<int>(spec.Name.size()), spec.Name.data(), ForTerminal(problem).c_str(),
                 UsageLine(spec).c_str(), static_cast<int>(spec.Name.size()), spec.Name.data());
    return 2;
}

std::variant<CommandLine, int> ParseCommandLine(const CommandSpec& spec, const Args& args) {
    CommandLine line;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.Operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == HelpName || arg == HelpAlias) {
            PrintHelp(spec);
            return 0;
        }
        // "--name=value" for long options; a short option is a word of its own.
        const size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        const OptionSpec* option = FindOption(spec, name);
        if (!option) return UsageError(spec, "unknown option: " + name);
        ParsedOption parsed{option->Name, {}};
        if (option->Value.empty()) {
            if (equals != std::string::npos) return UsageError(spec, name + " takes no value");
        } else if (equals != std::string::npos) {
            parsed.Value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            parsed.Value = args[++i];
        } else {
            return UsageError(spec, name + " needs a value (" + std::string(option->Value) + ")");
        }
        line.Options.push_back(std::move(parsed));
    }
    if (line.Operands.size() < spec.MinOperands) return UsageError(spec, "missing operand");
    if (line.Operands.size() > spec.MaxOperands) {
        return UsageError(spec, "unexpected argument: " + line.Operands[spec.MaxOperands]);
    }
    return line;
}

}  // namespace varnox::tool
