// The default kit: the firmware (rom0.bin, rom1.bin and its symbols in
// rom.sym), the key faces, the character set and the settings, carried
// inside the programs, and its writing into a folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnox {

struct KitFile {
    std::string_view Name;  // "rom0.bin"
    std::span<const uint8_t> Bytes;
};

// The kit the build put into the program; empty in a program built to
// assemble the firmware that kit is made of.
std::span<const KitFile> DefaultKit();

// What becomes of a file of the kit's name already in the folder with
// other contents (one with the kit's own contents is left as it is).
enum class KitOverwrite {
    Refuse,      // then nothing at all is written
    KeepCopies,  // kept beside it as "NAME.bak" (or ".bak.1" and on), then replaced
    MissingOnly, // left alone; only the files missing are written
};

struct KitWritten {
    std::vector<std::string> Refused;  // there already, with other contents
    // Symbolic links with other contents (unless only the missing files are
    // written): writing through one would replace the file it names, perhaps
    // another of the kit's or one outside the folder, so nothing is written.
    std::vector<std::string> Links;
    std::vector<std::string> Copies;   // the copies kept, "rom0.bin.bak"
    std::optional<std::string> Failure;  // names the file and the system's reason
};

// Writes the kit into `dir`, made when missing: every file at once or none.
KitWritten WriteKit(std::span<const KitFile> kit, const std::filesystem::path& dir, KitOverwrite overwrite);

}  // namespace varnox
