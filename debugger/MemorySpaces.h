// Every memory the debugger shows: RAM, the data ROM, the instruction
// ROM's bytes and the register file, read as they are (whatever the memory
// gate holds). Only RAM and the register file take edits; ROM bytes change
// only through the listing's line placement. Search for hex bytes or text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Def.h"

namespace varnox {

enum class MemorySpace : uint8_t { Ram, DataRom, InstrRom, Registers };
constexpr int MemorySpaceCount = 4;

// "RAM", "Data ROM", "Instruction ROM", "Register file".
std::string_view MemorySpaceName(MemorySpace space);
uint32_t MemorySpaceSize(MemorySpace space);
bool MemorySpaceWritable(MemorySpace space);

// The address a byte is shown at: RAM at C000..DFFF, the data ROM where the
// processor reads it (0000..3FFF and 8000..BFFF), the instruction ROM by
// byte offset (word address x 3), the register file by its number.
uint32_t ShownAddress(MemorySpace space, uint32_t offset);
// The offset of a shown address (RAM mirrors included), if the space has it.
std::optional<uint32_t> OffsetOfAddress(MemorySpace space, uint32_t address);

uint8_t ReadMemory(const Machine& m, MemorySpace space, uint32_t offset);
// False, and nothing stored, for a ROM or an offset beyond the space.
bool WriteMemory(Machine& m, MemorySpace space, uint32_t offset, uint8_t value);

struct SearchPattern {
    std::vector<uint8_t> Bytes;
    std::string Problem;  // why the text is no pattern
};

// "41 42 43" or "414243" (hex bytes), or text in double quotes ("ABC").
SearchPattern ParseSearchPattern(std::string_view text);

// The first offset from `from` on where the pattern stands, wrapping
// round to the space's start; nothing when it is nowhere.
std::optional<uint32_t> SearchMemory(const Machine& m, MemorySpace space, const std::vector<uint8_t>& pattern,
                                     uint32_t from);

// A row of 16 bytes from the offset: "C010: 00 01 ... 0F  ................".
std::string MemoryRowText(const Machine& m, MemorySpace space, uint32_t offset);
constexpr uint32_t MemoryRowBytes = 16;

}  // namespace varnox
