// The file loaders and the save that follows them, on files of arbitrary
// content and length in a scratch directory ($VARNOX_FUZZ_DIR, or a fresh
// one under the temporary directory). For each of the six files the input
// chooses: absent, arbitrary bytes, a repeated pattern near the file's own
// size, a directory, a symbolic link to another file, or a dangling link.
// Then: load, save, load again. Checked: no sanitizer report; every message
// names its file; a saved file holds exactly the saved image and loads back
// as it, and what it held before is still there (the same bytes, or a
// ".bak" copy beside it); a file that was not saved is unchanged and the
// save says it failed; the save leaves nothing else behind; and the second
// load reads the same ROMs, character set and settings.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/Def.h"
#include "system/Files.h"

namespace {

namespace fs = std::filesystem;
using varnox::Machine;

struct FileSpec {
    const char* name;
    size_t size;  // the file's own size (0: a text file)
};

const FileSpec Files[] = {
    {varnox::SettingsFileName, 0},
    {varnox::CharsetFileName, varnox::CharsetFileBytes},
    {varnox::Rom0FileName, varnox::InstrRomBytes},
    {varnox::Rom1FileName, varnox::DataRomBytes},
    {varnox::RamFileName, varnox::DataRamBytes},
    {varnox::RegisterFileName, varnox::RegisterFileBytes},
};

const fs::path& ScratchDir() {
    static const fs::path dir = [] {
        if (const char* given = std::getenv("VARNOX_FUZZ_DIR")) return fs::path(given);
        std::string pattern = (fs::temp_directory_path() / "varnox-fuzz-files-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch directory");
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(ScratchDir(), ignored);
        });
        return fs::path(pattern);
    }();
    return dir;
}

std::optional<std::vector<uint8_t>> ReadRegularFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Contents(FuzzedDataProvider& in, const FileSpec& spec) {
    if (spec.size == 0 || in.ConsumeBool()) {
        return in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 4096));
    }
    // Near the file's own size, often exactly it.
    const bool exact = in.ConsumeBool();
    const int delta = in.ConsumeIntegralInRange<int>(-4, 4);
    const size_t size = exact ? spec.size : static_cast<size_t>(static_cast<long>(spec.size) + delta);
    const std::vector<uint8_t> pattern = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 16));
    std::vector<uint8_t> bytes(size, 0);
    if (pattern.empty()) return bytes;
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(pattern[i % pattern.size()] + i / pattern.size());
    }
    return bytes;
}

void MakeFiles(FuzzedDataProvider& in, const fs::path& dir) {
    for (const FileSpec& spec : Files) {
        const fs::path path = dir / spec.name;
        const fs::path other = dir / (std::string("other-") + spec.name);
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: break;  // absent
            case 1:
            case 2: WriteFile(path, Contents(in, spec)); break;
            case 3: fs::create_directory(path); break;
            case 4:
                WriteFile(other, Contents(in, spec));
                fs::create_symlink(other.filename(), path);
                break;
            default: fs::create_symlink(other.filename(), path); break;  // dangling
        }
    }
}

std::set<std::string> Entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

bool NamesAFile(const std::string& message) {
    return std::any_of(std::begin(Files), std::end(Files),
                       [&message](const FileSpec& spec) { return message.find(spec.name) != std::string::npos; });
}

// What the save may add: the two files, their kept copies, and the files
// their links name.
bool SaveMayCreate(const std::string& name) {
    for (const std::string saved : {varnox::RamFileName, varnox::RegisterFileName}) {
        if (name == saved || name.starts_with(saved + ".bak") || name == "other-" + saved) return true;
    }
    return false;
}

// Whether some kept copy of the file holds these bytes.
bool KeptCopyHolds(const fs::path& dir, const char* name, const std::vector<uint8_t>& bytes) {
    for (const std::string& entry : Entries(dir)) {
        if (entry.starts_with(std::string(name) + ".bak") && ReadRegularFile(dir / entry) == bytes) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& dir = ScratchDir();
    for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    FuzzedDataProvider in(data, size);
    MakeFiles(in, dir);

    const auto first = std::make_unique<Machine>();
    varnox::LoadResult loaded = varnox::LoadMachine(*first, dir);
    for (const std::string& message : loaded.Messages) {
        FUZZ_CHECK(NamesAFile(message), "a message names no file: %s", message.c_str());
    }

    struct Saved {
        const char* name;
        std::span<const uint8_t> image;
        std::optional<std::vector<uint8_t>> before;
        bool written;
    } saved[] = {
        {varnox::RamFileName, first->DataRam, {}, false},
        {varnox::RegisterFileName, first->Cpu.MainRegisterFile, {}, false},
    };
    for (Saved& file : saved) file.before = ReadRegularFile(dir / file.name);
    const std::set<std::string> entriesBefore = Entries(dir);

    const varnox::SaveResult result = varnox::SaveFiles(*first, dir, loaded.Guard);
    for (const std::string& message : result.Messages) {
        FUZZ_CHECK(NamesAFile(message), "a message names no file: %s", message.c_str());
    }
    for (const std::string& name : Entries(dir)) {
        FUZZ_CHECK(entriesBefore.count(name) || SaveMayCreate(name), "the save left %s behind", name.c_str());
    }
    for (Saved& file : saved) {
        const auto after = ReadRegularFile(dir / file.name);
        file.written = after && std::equal(after->begin(), after->end(), file.image.begin(), file.image.end());
        if (!file.written) {
            FUZZ_CHECK(result.Failed, "%s was not saved, yet the save did not fail", file.name);
            FUZZ_CHECK(after == file.before, "the failed save of %s changed it", file.name);
        } else if (file.before && file.before != after) {
            FUZZ_CHECK(KeptCopyHolds(dir, file.name, *file.before), "the save of %s lost what it held", file.name);
        }
    }

    const auto second = std::make_unique<Machine>();
    varnox::LoadMachine(*second, dir);
    FUZZ_CHECK(second->InstrRom == first->InstrRom && second->DataRom == first->DataRom &&
                   second->Lcd.CharGenerator == first->Lcd.CharGenerator &&
                   second->Config.OscFreq == first->Config.OscFreq && second->Config.SelfTest == first->Config.SelfTest,
               "the second load read the unchanged files differently");
    if (saved[0].written) FUZZ_CHECK(second->DataRam == first->DataRam, "ram.bin reads back differently");
    if (saved[1].written) {
        FUZZ_CHECK(second->Cpu.MainRegisterFile == first->Cpu.MainRegisterFile, "register.bin reads back differently");
    }
    return 0;
}
