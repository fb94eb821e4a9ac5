// varnox-tool asm: a source file into rom0.bin and rom1.bin. Nothing is
// written unless the whole source assembles.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "asm/SourceAsm.h"
#include "frontend/Files.h"

namespace varnox::tool {
namespace {

namespace fs = std::filesystem;

constexpr size_t MaxErrorsShown = 50;

int Usage(const std::string& problem) {
    std::fprintf(stderr,
                 "varnox-tool asm: %s\n"
                 "usage: varnox-tool asm SOURCE -o DIR [--listing FILE]\n",
                 problem.c_str());
    return 2;
}

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

struct Output {
    fs::path target;
    fs::path temporary;
    std::string bytes;
    bool inPlace = false;  // a device or pipe such as /dev/stdout: written directly
};

bool WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

void RemoveTemporaries(const std::vector<Output>& outputs) {
    std::error_code ignored;
    for (const Output& output : outputs) {
        if (!output.temporary.empty()) fs::remove(output.temporary, ignored);
    }
}

// Regular files go to temporaries first and are renamed into place only
// when every one is written; a symbolic link is followed, so the file it
// names is replaced, not the link. Devices and pipes (a listing to
// /dev/stdout) cannot be replaced and are written directly, last.
bool WriteAll(std::vector<Output>& outputs) {
    for (Output& output : outputs) {
        std::error_code error;
        const fs::file_status status = fs::status(output.target, error);
        if (fs::exists(status) && !fs::is_regular_file(status)) {
            output.inPlace = true;
            continue;
        }
        if (fs::is_symlink(fs::symlink_status(output.target, error))) {
            const fs::path resolved = fs::weakly_canonical(output.target, error);
            if (!error) output.target = resolved;
        }
        output.temporary = output.target;
        output.temporary += ".tmp";
        if (!WriteFile(output.temporary, output.bytes)) {
            std::fprintf(stderr, "varnox-tool asm: cannot write %s\n", output.target.string().c_str());
            RemoveTemporaries(outputs);
            return false;
        }
    }
    for (const Output& output : outputs) {
        if (output.inPlace) continue;
        std::error_code error;
        fs::rename(output.temporary, output.target, error);
        if (error) {
            std::fprintf(stderr, "varnox-tool asm: cannot write %s: %s\n", output.target.string().c_str(),
                         error.message().c_str());
            RemoveTemporaries(outputs);
            return false;
        }
    }
    for (const Output& output : outputs) {
        if (output.inPlace && !WriteFile(output.target, output.bytes)) {
            std::fprintf(stderr, "varnox-tool asm: cannot write %s\n", output.target.string().c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int AsmCommand(const Args& args) {
    std::string source;
    std::string outDir;
    std::string listing;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--listing") {
            if (i + 1 >= args.size()) return Usage(arg + " needs a value");
            (arg == "-o" ? outDir : listing) = args[++i];
        } else if (source.empty() && !arg.empty() && arg[0] != '-') {
            source = arg;
        } else {
            return Usage("unknown argument: " + arg);
        }
    }
    if (source.empty()) return Usage("no source file given");
    if (outDir.empty()) return Usage("no output directory given (-o DIR)");

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
    fs::create_directories(outDir, error);
    if (error || !fs::is_directory(outDir, error)) {
        std::fprintf(stderr, "varnox-tool asm: cannot use the output directory %s\n", outDir.c_str());
        return 1;
    }
    std::vector<Output> outputs{
        {fs::path(outDir) / Rom0FileName, {}, std::string(images.Rom0.begin(), images.Rom0.end())},
        {fs::path(outDir) / Rom1FileName, {}, std::string(images.Rom1.begin(), images.Rom1.end())},
    };
    if (!listing.empty()) outputs.push_back({fs::path(listing), {}, images.Listing});
    return WriteAll(outputs) ? 0 : 1;
}

}  // namespace varnox::tool
