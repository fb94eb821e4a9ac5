// varnox-tool asm: a source file into rom0.bin, rom1.bin and rom.sym. Nothing is
// written unless the whole source assembles and every output can be written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "Commands.h"
#include "Messages.h"
#include "asm/SourceAsm.h"
#include "system/AtomicReplace.h"
#include "system/Files.h"
#include "system/OutputCheck.h"
#include "system/SaveState.h"

namespace varnox::tool {
namespace {

namespace fs = std::filesystem;

constexpr size_t MaxErrorsShown = 50;

constexpr OptionSpec AsmOptions[] = {
    {"--output", "DIR", "where rom0.bin, rom1.bin and rom.sym go (made when missing)", "-o"},
    {"--listing", "FILE", "also write the listing: addresses, words and source"},
};

// Reads a whole source file, the main one or an included one: a regular
// file of at most MaxSourceFileBytes (a device or a pipe could be endless,
// and a pipe could wait for a writer for ever), in one piece of its size.
bool ReadSource(const std::string& file, std::string& text, std::string& problem) {
    const struct Descriptor {
        int fd;
        ~Descriptor() {
            if (fd >= 0) ::close(fd);
        }
    } opened{::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    const int fd = opened.fd;
    if (fd < 0) {
        problem = errno == ENOENT ? "does not exist" : std::string("cannot be read (") + std::strerror(errno) + ")";
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode) || !S_ISREG(status.st_mode)) {
        problem = S_ISDIR(status.st_mode) ? "is a directory" : "is not a regular file";
        return false;
    }
    const std::string tooLarge = "is larger than " + std::to_string(MaxSourceFileBytes >> 20) + " MB";
    if (static_cast<uint64_t>(status.st_size) > MaxSourceFileBytes) {
        problem = tooLarge;
        return false;
    }
    text.reserve(static_cast<size_t>(status.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = std::string("cannot be read (") + std::strerror(errno) + ")";
            return false;
        }
        if (n == 0) return true;
        if (text.size() + static_cast<size_t>(n) > MaxSourceFileBytes) {
            problem = tooLarge;  // it grew while read
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// rom0.bin and rom1.bin in the directory, and the listing when one is asked for.
std::vector<RolePath> AsmOutputs(const std::string& outDir, const std::string& listing) {
    std::vector<RolePath> outputs{{std::string("the output ") + Rom0FileName, fs::path(outDir) / Rom0FileName},
                                  {std::string("the output ") + Rom1FileName, fs::path(outDir) / Rom1FileName},
                                  {std::string("the output ") + SymbolFileName, fs::path(outDir) / SymbolFileName}};
    if (!listing.empty()) outputs.push_back({"the listing", listing});
    return outputs;
}

}  // namespace

const CommandSpec AsmSpec{"asm", "SOURCE -o DIR [--listing FILE]",
                          "assemble a source into rom0.bin, rom1.bin and rom.sym", AsmOptions, 1, 1,
                          "On any error nothing is written; the errors are printed as\n"
                          "FILE:LINE:COLUMN: error: MESSAGE and the exit status is 1.\n"
                          "No output may be the source, an included file or another output\n"
                          "(exit status 2); the sources and outputs must be regular files\n"
                          "(/dev/stdout and devices such as /dev/null may be outputs)."};

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

    const std::vector<RolePath> outputs = AsmOutputs(outDir, listing);
    std::vector<RolePath> inputs{{"the source file itself", source}};
    if (const auto clash = CheckOutputs(inputs, outputs)) return UsageError(AsmSpec, *clash);

    std::string text;
    std::string problem;
    if (!ReadSource(source, text, problem)) {
        Complain(source + ": error: the source file " + problem);
        return 1;
    }

    SourceOptions options;
    options.FileName = source;
    options.ReadFile = [&inputs](const std::string& path, std::string& included, std::string& why) {
        inputs.push_back({"the included file " + path, path});
        return ReadSource(path, included, why);
    };
    options.WantListing = !listing.empty();
    const SourceImages images = AssembleSource(text, options);
    if (images.ErrorCount != 0) {
        for (size_t i = 0; i < images.Errors.size() && i < MaxErrorsShown; ++i) {
            Complain(FormatSourceError(source, images.Errors[i]));
        }
        if (images.ErrorCount > MaxErrorsShown) {
            Complain(source + ": " + std::to_string(images.ErrorCount - MaxErrorsShown) + " more errors");
        }
        return 1;
    }
    // Only now are the included files known.
    if (const auto clash = CheckOutputs(inputs, outputs)) return UsageError(AsmSpec, *clash);

    std::error_code error;
    const bool dirExisted = fs::exists(outDir, error);
    fs::create_directories(outDir, error);
    if (error || !fs::is_directory(outDir, error)) {
        Complain("varnox-tool asm: cannot use the output directory " + outDir + ": " +
                 (error ? error : std::make_error_code(std::errc::not_a_directory)).message());
        return 1;
    }
    // A listing to a closed pipe is a failed write, reported, not a sudden end.
    std::signal(SIGPIPE, SIG_IGN);
    // The symbols name the image they were made with, so a debugger can
    // tell them from an older build's.
    const std::string symbols = SymbolFileText(images.Labels, Crc32(images.Rom0), images.Lines, Crc32(images.Rom1));
    const NewContents files[] = {
        {outputs[0].Path, images.Rom0},
        {outputs[1].Path, images.Rom1},
        {outputs[2].Path, Bytes(symbols)},
        {listing, Bytes(images.Listing)},
    };
    if (const auto failure = ReplaceFiles({files, outputs.size()}, OtherTargets::WriteInPlace)) {
        Complain("varnox-tool asm: cannot write " + files[failure->Index].Target.string() + ": " + failure->Reason);
        if (!dirExisted) fs::remove(outDir, error);  // made for nothing; only if still empty
        return 1;
    }
    return 0;
}

}  // namespace varnox::tool
