// What a debugger edit may store: a snapshot of the machine's stores and
// the places an edit changed, named "rom0:N", "rom1:N", "ram:N", "reg:N".
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Def.h"
#include "debugger/DebugState.h"

namespace varnox::test {

struct Stores {
    std::array<uint8_t, InstrRomBytes> InstrRom;
    std::array<uint8_t, DataRomBytes> DataRom;
    std::array<uint8_t, DataRamBytes> DataRam;
    std::array<uint8_t, RegisterFileBytes> Registers;
};

// "name:index", built without the concatenation GCC 12 misreads.
inline std::string Place(const char* name, size_t index) {
    std::string place(name);
    place += ':';
    place += std::to_string(index);
    return place;
}

inline Stores Snapshot(const Machine& m) { return {m.InstrRom, m.DataRom, m.DataRam, m.Cpu.MainRegisterFile}; }

inline std::vector<std::string> Changes(const Stores& before, const Machine& m) {
    std::vector<std::string> changes;
    const auto compare = [&](const auto& was, const auto& is, const char* name) {
        for (size_t i = 0; i < was.size(); ++i) {
            if (was[i] != is[i]) changes.push_back(Place(name, i));
        }
    };
    compare(before.InstrRom, m.InstrRom, "rom0");
    compare(before.DataRom, m.DataRom, "rom1");
    compare(before.DataRam, m.DataRam, "ram");
    compare(before.Registers, m.Cpu.MainRegisterFile, "reg");
    return changes;
}

// The byte a data address reaches, by the memory map.
inline std::string DataPlace(uint16_t address) {
    if (address & 0x4000) return Place("ram", address & 0x1FFFu);
    return Place("rom1", (address & 0x3FFFu) | ((address >> 1) & 0x4000u));
}

// The places Enter in the mode may store to.
inline std::vector<std::string> AllowedChanges(EditKind mode, uint16_t target) {
    std::vector<std::string> places;
    switch (mode) {
        case EditKind::ListInstruction:
            for (unsigned i = 0; i < 3; ++i) {
                places.push_back(target < DataInstrStart ? Place("rom0", 3u * target + i)
                                                         : DataPlace(static_cast<uint16_t>(target + i)));
            }
            break;
        case EditKind::MainRegister: places.push_back(Place("reg", target)); break;
        case EditKind::BinByte:
        case EditKind::BinChar: places.push_back(DataPlace(target)); break;
        default: break;
    }
    return places;
}

// The changes that are not among the allowed places.
inline std::vector<std::string> Strays(const std::vector<std::string>& changes, const std::vector<std::string>& allowed) {
    std::vector<std::string> strays;
    for (const std::string& change : changes) {
        if (std::find(allowed.begin(), allowed.end(), change) == allowed.end()) strays.push_back(change);
    }
    return strays;
}

}  // namespace varnox::test
