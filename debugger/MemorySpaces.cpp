#include "debugger/MemorySpaces.h"

#include <cstdio>

#include "asm/SourceExpr.h"

namespace varnox {
namespace {

constexpr uint32_t DataRomHalf = 0x4000;

}  // namespace

std::string_view MemorySpaceName(MemorySpace space) {
    switch (space) {
        case MemorySpace::Ram: return "RAM";
        case MemorySpace::DataRom: return "Data ROM";
        case MemorySpace::InstrRom: return "Instruction ROM";
        case MemorySpace::Registers: return "Register file";
    }
    return "";
}

uint32_t MemorySpaceSize(MemorySpace space) {
    switch (space) {
        case MemorySpace::Ram: return DataRamBytes;
        case MemorySpace::DataRom: return DataRomBytes;
        case MemorySpace::InstrRom: return InstrRomBytes;
        case MemorySpace::Registers: return RegisterFileBytes;
    }
    return 0;
}

bool MemorySpaceWritable(MemorySpace space) { return space == MemorySpace::Ram || space == MemorySpace::Registers; }

uint32_t ShownAddress(MemorySpace space, uint32_t offset) {
    switch (space) {
        case MemorySpace::Ram: return 0xC000 + offset;
        case MemorySpace::DataRom: return offset < DataRomHalf ? offset : offset + DataRomHalf;
        default: return offset;
    }
}

std::optional<uint32_t> OffsetOfAddress(MemorySpace space, uint32_t address) {
    switch (space) {
        case MemorySpace::Ram:
            if (address > 0xFFFF || !(address & 0x4000)) return std::nullopt;
            return address & (DataRamBytes - 1);
        case MemorySpace::DataRom:
            if (address > 0xFFFF || (address & 0x4000)) return std::nullopt;
            return (address & 0x3FFF) | ((address >> 1) & 0x4000);
        default:
            if (address >= MemorySpaceSize(space)) return std::nullopt;
            return address;
    }
}

uint8_t ReadMemory(const Machine& m, MemorySpace space, uint32_t offset) {
    if (offset >= MemorySpaceSize(space)) return 0;
    switch (space) {
        case MemorySpace::Ram: return m.DataRam[offset];
        case MemorySpace::DataRom: return m.DataRom[offset];
        case MemorySpace::InstrRom: return m.InstrRom[offset];
        case MemorySpace::Registers: return m.Cpu.MainRegisterFile[offset];
    }
    return 0;
}

bool WriteMemory(Machine& m, MemorySpace space, uint32_t offset, uint8_t value) {
    if (offset >= MemorySpaceSize(space)) return false;
    switch (space) {
        case MemorySpace::Ram: m.DataRam[offset] = value; return true;
        case MemorySpace::Registers: m.Cpu.MainRegisterFile[offset] = value; return true;
        default: return false;
    }
}

SearchPattern ParseSearchPattern(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    SearchPattern pattern;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        for (const char c : text.substr(1, text.size() - 2)) pattern.Bytes.push_back(static_cast<uint8_t>(c));
    } else {
        int high = -1;
        for (const char c : text) {
            if (c == ' ') {
                if (high >= 0) pattern.Bytes.push_back(static_cast<uint8_t>(high));  // a single digit
                high = -1;
                continue;
            }
            const int digit = HexDigitValue(c);
            if (digit < 0) return {{}, "search for hex bytes (41 42 or 4142) or \"text\" in double quotes"};
            if (high < 0) {
                high = digit;
            } else {
                pattern.Bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0) pattern.Bytes.push_back(static_cast<uint8_t>(high));
    }
    if (pattern.Bytes.empty()) pattern.Problem = "nothing to search for";
    return pattern;
}

std::optional<uint32_t> SearchMemory(const Machine& m, MemorySpace space, const std::vector<uint8_t>& pattern,
                                     uint32_t from) {
    const uint32_t size = MemorySpaceSize(space);
    if (pattern.empty() || pattern.size() > size) return std::nullopt;
    const uint32_t starts = size - static_cast<uint32_t>(pattern.size()) + 1;
    for (uint32_t i = 0; i < starts; ++i) {
        const uint32_t at = (from + i) % starts;
        bool match = true;
        for (size_t k = 0; k < pattern.size() && match; ++k) {
            match = ReadMemory(m, space, at + static_cast<uint32_t>(k)) == pattern[k];
        }
        if (match) return at;
    }
    return std::nullopt;
}

std::string MemoryRowText(const Machine& m, MemorySpace space, uint32_t offset) {
    char text[96];
    int at = std::snprintf(text, sizeof text, "%04X:", ShownAddress(space, offset));
    std::string characters;
    for (uint32_t i = 0; i < MemoryRowBytes; ++i) {
        if (offset + i >= MemorySpaceSize(space)) {
            at += std::snprintf(text + at, sizeof text - static_cast<size_t>(at), "   ");
            continue;
        }
        const uint8_t byte = ReadMemory(m, space, offset + i);
        at += std::snprintf(text + at, sizeof text - static_cast<size_t>(at), " %02X", byte);
        characters += byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
    }
    return std::string(text) + "  " + characters;
}

}  // namespace varnox
