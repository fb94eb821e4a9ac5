// What the page reads back from the browser's storage, put in its
// machine's folder as the page puts it: the firmware, the memory files and
// the copies kept of them earlier, of arbitrary bytes (page-firmware: the
// firmware of any size; page-memory: a firmware that loads, so that every
// run reaches the memory files). Then the page's start, some run ticks, its
// save, a state saved and loaded back, and a second start. Checked: no
// sanitizer report; a start that stopped before the memory files saves
// nothing over them; what a save replaced is kept in a copy under a name
// the page keeps; a copy kept earlier is never changed; the memory saved
// reads back in full; the state saved loads back as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/Def.h"
#include "system/Files.h"
#include "web/PageSession.h"

#ifndef VARNOX_PAGE_FIRMWARE_VARIES
#error "VARNOX_PAGE_FIRMWARE_VARIES: 1 for page-firmware, 0 for page-memory"
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path& ScratchDir() {
    static const fs::path dir = [] {
        if (const char* given = std::getenv("VARNOX_FUZZ_DIR")) return fs::path(given);
        std::string pattern = (fs::temp_directory_path() / "varnox-fuzz-page-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch directory");
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(ScratchDir(), ignored);
        });
        return fs::path(pattern);
    }();
    return dir;
}

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The folder's files by name.
std::map<std::string, Bytes> Files(const fs::path& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(dir)) files[entry.path().filename().string()] = Read(entry.path());
    return files;
}

// Bytes of `size` from a short pattern of the input, or of any size.
Bytes Contents(FuzzedDataProvider& in, size_t size, bool anySize) {
    if (anySize && in.ConsumeBool()) return in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 4096));
    if (anySize) size = static_cast<size_t>(static_cast<long>(size) + in.ConsumeIntegralInRange<int>(-4, 4));
    const Bytes pattern = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 16));
    Bytes bytes(size, 0);
    for (size_t i = 0; !pattern.empty() && i < size; ++i) bytes[i] = static_cast<uint8_t>(pattern[i % pattern.size()] + i / pattern.size());
    return bytes;
}

// The names of the memory files the page keeps in the browser's storage.
bool PageKeeps(const std::string& name) {
    static const std::regex kept(R"((ram|register)\.bin(\.bak(\.[0-9]+)?)?)");
    return std::regex_match(name, kept);
}

void MakeFiles(FuzzedDataProvider& in, const fs::path& dir) {
    // The kit's other files are the page's own, never from the storage.
    Write(dir / varnox::CharsetFileName, Bytes(varnox::CharsetFileBytes, 0));
    Write(dir / varnox::Rom0FileName, Contents(in, varnox::InstrRomBytes, VARNOX_PAGE_FIRMWARE_VARIES));
    if (in.ConsumeBool()) Write(dir / varnox::Rom1FileName, Contents(in, varnox::DataRomBytes, VARNOX_PAGE_FIRMWARE_VARIES));
    const struct {
        const char* name;
        size_t size;
    } memory[] = {{varnox::RamFileName, varnox::DataRamBytes}, {varnox::RegisterFileName, varnox::RegisterFileBytes}};
    for (const auto& file : memory) {
        if (in.ConsumeBool()) Write(dir / file.name, Contents(in, file.size, true));
        // Copies kept at earlier visits, in the slots they took.
        for (const char* slot : {".bak", ".bak.1"}) {
            if (in.ConsumeBool()) Write(dir / (std::string(file.name) + slot), Contents(in, file.size, true));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& dir = ScratchDir();
    for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    FuzzedDataProvider in(data, size);
    MakeFiles(in, dir);
    const int ticks = in.ConsumeIntegralInRange<int>(1, 2);
    const auto before = Files(dir);

    varnox::web::PageSession page(dir);
    page.PowerOn();
    page.RunTicks(ticks);
    const auto saved = page.SaveMemory();
    const auto after = Files(dir);
    FUZZ_CHECK(saved.has_value() == page.KeepsMemory(), "a run that reached the memory files is saved, only it");

    for (const auto& [name, bytes] : before) {
        const auto now = after.find(name);
        FUZZ_CHECK(now != after.end(), "%s is gone after the save", name.c_str());
        if (now->second == bytes) continue;
        const size_t whole = name == varnox::RamFileName ? varnox::DataRamBytes
                             : name == varnox::RegisterFileName ? varnox::RegisterFileBytes
                                                                : 0;
        FUZZ_CHECK(saved && whole, "%s was written over", name.c_str());
        if (bytes.size() == whole) continue;  // read in full: the run holds it
        // In a new copy, or in one kept earlier that holds the same.
        bool copied = false;
        for (const auto& [other, held] : after) copied |= other.starts_with(name + ".bak") && held == bytes;
        FUZZ_CHECK(copied, "what %s held is in no copy", name.c_str());
    }
    for (const auto& [name, bytes] : after) {
        FUZZ_CHECK(before.count(name) || PageKeeps(name), "the save made %s, which the page does not keep", name.c_str());
    }
    if (!saved) return 0;

    const std::vector<uint8_t> state = page.SaveState();
    Write(dir / "page.vxs", state);
    FUZZ_CHECK(!page.LoadState(dir / "page.vxs"), "a state saved on the page is refused");
    FUZZ_CHECK(page.SaveState() == state, "a state saved on the page loads back differently");

    varnox::web::PageSession again(dir);
    for (const std::string& message : again.PowerOn()) {
        FUZZ_CHECK(message.find(varnox::RamFileName) == std::string::npos &&
                       message.find(varnox::RegisterFileName) == std::string::npos,
                   "the memory saved does not read back: %s", message.c_str());
    }
    FUZZ_CHECK(again.GetMachine().DataRam == page.GetMachine().DataRam, "ram.bin reads back differently");
    return 0;
}
