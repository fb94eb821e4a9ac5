// varnox-tool asm: a source file into rom0.bin, rom1.bin and rom.sym. Nothing is
// written unless the whole source assembles and every output can be written.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "Commands.h"
#include "asm/SourceAsm.h"
#include "system/AtomicReplace.h"
#include "system/Files.h"
#include "system/SaveState.h"

namespace varnox::tool {
namespace {

namespace fs = std::filesystem;

constexpr size_t MaxErrorsShown = 50;

constexpr OptionSpec AsmOptions[] = {
    {"--output", "DIR", "where rom0.bin, rom1.bin and rom.sym go (made when missing)", "-o"},
    {"--listing", "FILE", "also write the listing: addresses, words and source"},
};

// Reads a whole source file. A regular file is read in one piece of its
// own size, so the text is held once; included files must be regular
// files (a device or a pipe could be endless).
bool ReadSource(const fs::path& file, std::string& text, std::string& problem, bool regularOnly) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (fs::is_directory(status)) {
        problem = "is a directory";
        return false;
    }
    if (regularOnly && fs::exists(status) && !fs::is_regular_file(status)) {
        problem = "is not a regular file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        problem = fs::exists(status) ? "cannot be read" : "does not exist";
        return false;
    }
    if (fs::is_regular_file(status)) {
        const auto size = fs::file_size(file, error);
        if (!error) text.reserve(static_cast<size_t>(size));
    }
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) text.append(buffer, static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        problem = "cannot be read";
        return false;
    }
    return true;
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

const CommandSpec AsmSpec{"asm", "SOURCE -o DIR [--listing FILE]",
                          "assemble a source into rom0.bin, rom1.bin and rom.sym", AsmOptions, 1, 1,
                          "On any error nothing is written; the errors are printed as\n"
                          "FILE:LINE:COLUMN: error: MESSAGE and the exit status is 1.\n"
                          "No output may be the source or another output."};

int AsmCommand(const Args& args) {
    const auto parsed = ParseCommandLine(AsmSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    const CommandLine& line = std::get<CommandLine>(parsed);
    const std::string& source = line.Operands[0];
    std::string outDir;
    std::string listing;
    for (const ParsedOption& option : line.Options) {
        (option.Name == "--output" ? outDir : listing) = option.Value;
    }
    if (outDir.empty()) return UsageError(AsmSpec, "no output directory given (-o DIR)");
    if (line.Has("--listing") && listing.empty()) return UsageError(AsmSpec, "--listing needs a file name");

    const fs::path outputs[] = {fs::path(outDir) / Rom0FileName, fs::path(outDir) / Rom1FileName,
                                fs::path(outDir) / SymbolFileName, listing};
    const std::string roles[] = {std::string("the output ") + Rom0FileName, std::string("the output ") + Rom1FileName,
                                 std::string("the output ") + SymbolFileName, "the listing"};
    const size_t outputCount = listing.empty() ? 3 : 4;
    for (size_t i = 0; i < outputCount; ++i) {
        const std::string output = roles[i] + " (" + outputs[i].string() + ")";
        if (SameFile(outputs[i], source)) return UsageError(AsmSpec, output + " is the source file itself");
        for (size_t j = 0; j < i; ++j) {
            if (SameFile(outputs[i], outputs[j])) return UsageError(AsmSpec, output + " is the same file as " + roles[j]);
        }
    }

    std::string text;
    std::string problem;
    if (!ReadSource(source, text, problem, false)) {
        std::fprintf(stderr, "%s: error: the source file %s\n", source.c_str(), problem.c_str());
        return 1;
    }

    SourceOptions options;
    options.FileName = source;
    options.ReadFile = [](const std::string& path, std::string& included, std::string& why) {
        return ReadSource(path, included, why, true);
    };
    options.WantListing = !listing.empty();
    const SourceImages images = AssembleSource(text, options);
    if (images.ErrorCount != 0) {
        for (size_t i = 0; i < images.Errors.size() && i < MaxErrorsShown; ++i) {
            std::fprintf(stderr, "%s\n", FormatSourceError(source, images.Errors[i]).c_str());
        }
        if (images.ErrorCount > MaxErrorsShown) {
            std::fprintf(stderr, "%s: %zu more errors\n", source.c_str(), images.ErrorCount - MaxErrorsShown);
        }
        return 1;
    }

    std::error_code error;
    const bool dirExisted = fs::exists(outDir, error);
    fs::create_directories(outDir, error);
    if (error || !fs::is_directory(outDir, error)) {
        std::fprintf(stderr, "varnox-tool asm: cannot use the output directory %s: %s\n", outDir.c_str(),
                     (error ? error : std::make_error_code(std::errc::not_a_directory)).message().c_str());
        return 1;
    }
    // A listing to a closed pipe is a failed write, reported, not a sudden end.
    std::signal(SIGPIPE, SIG_IGN);
    // The symbols name the image they were made with, so a debugger can
    // tell them from an older build's.
    const std::string symbols = SymbolFileText(images.Labels, Crc32(images.Rom0));
    const NewContents files[] = {
        {outputs[0], images.Rom0},
        {outputs[1], images.Rom1},
        {outputs[2], Bytes(symbols)},
        {outputs[3], Bytes(images.Listing)},
    };
    if (const auto failure = ReplaceFiles({files, outputCount}, OtherTargets::WriteInPlace)) {
        std::fprintf(stderr, "varnox-tool asm: cannot write %s: %s\n", files[failure->Index].Target.string().c_str(),
                     failure->Reason.c_str());
        if (!dirExisted) fs::remove(outDir, error);  // made for nothing; only if still empty
        return 1;
    }
    return 0;
}

}  // namespace varnox::tool
