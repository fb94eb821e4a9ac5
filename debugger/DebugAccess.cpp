#include "debugger/DebugAccess.h"

#include "asm/NamedListing.h"
#include "core/Cpu.h"
#include "core/MachineStep.h"

namespace varnox {

const std::array<RegisterRow, RegisterRowCount> RegisterRows{{
    {"PC:", 4, 0xFFFF, &CpuState::PC, nullptr},
    {"KO:", 2, 0xFF, nullptr, &CpuState::KO},
    {"KI:", 2, 0xFF, nullptr, &CpuState::KI},
    {"IE:", 2, 0xFF, nullptr, &CpuState::IE},
    {"IF:", 2, 0xFF, nullptr, &CpuState::IF},
    {"AS:", 2, 0xFF, nullptr, &CpuState::AS},
}};

uint16_t ReadRegisterRow(const CpuState& cpu, const RegisterRow& row) {
    const unsigned value = row.Wide ? cpu.*row.Wide : cpu.*row.Narrow;
    return static_cast<uint16_t>(value & row.Mask);
}

void StoreRegisterRow(Machine& m, const RegisterRow& row, uint64_t value) {
    const auto masked = static_cast<uint16_t>(value & row.Mask);
    if (row.Wide) {
        m.Cpu.*row.Wide = masked;
    } else {
        m.Cpu.*row.Narrow = static_cast<uint8_t>(masked);
    }
    UpdateIf(m);
}

// Bit 0x10 is not-zero: its cell reads "NZ" when set and "Z " when clear.
const std::array<FlagCell, FlagCellCount> FlagCells{{
    {FlagC, "NC", "C ", 3, 0, CellColour::White},
    {FlagV, "NV", "V ", 5, 0, CellColour::Silver},
    {FlagUZ, "NUZ", "UZ ", 7, 0, CellColour::White},
    {FlagH, "NH", "H ", 3, 1, CellColour::Silver},
    {FlagNZ, "Z ", "NZ", 5, 1, CellColour::White},
    {FlagLZ, "NLZ", "LZ ", 7, 1, CellColour::Silver},
}};

std::string_view FlagCellText(const FlagCell& cell, uint8_t flags) { return flags & cell.Mask ? cell.Set : cell.Clear; }

void ToggleFlag(CpuState& cpu, const FlagCell& cell) { cpu.F ^= cell.Mask; }

const std::array<std::string_view, MainRowCount> MainRowLabels{
    "R000..R015:", "R016..R031:", "R032..R047:", "R048..R063:",
    "R064..R079:", "R080..R095:", "R096..R111:", "R112..R127:",
};

uint8_t PaneReadByte(const Machine& m, uint16_t address) { return MemReadUngated(m, address); }

void PaneWriteByte(Machine& m, uint16_t address, uint8_t value) { MemWriteUngated(m, address) = value; }

void StoreInstructionBytes(Machine& m, uint16_t target, const AsmResult& bytes) {
    const int count = bytes.AsmCount < 0 ? 0 : bytes.AsmCount > 3 ? 3 : bytes.AsmCount;
    if (target < DataInstrStart) {
        for (int i = 0; i < count; ++i) m.InstrRom[3u * target + static_cast<unsigned>(i)] = bytes.AsmBytes[static_cast<size_t>(i)];
        return;
    }
    // The fetch reads data memory through the read map, so a typed line goes
    // to the byte a read reaches: RAM, or ROM behind its windows.
    for (int i = 0; i < count; ++i) {
        ReadMapByte(m, static_cast<uint16_t>(target + i)) = bytes.AsmBytes[static_cast<size_t>(i)];
    }
}

int AssembleAt(Machine& m, uint16_t target, std::string_view line, const SymbolTable* symbols) {
    const AsmResult result = AssembleNamed(line.substr(0, AsmLineLimit), symbols);
    if (result.AsmErrorPos == 0) StoreInstructionBytes(m, target, result);
    return result.AsmErrorPos;
}

int32_t DebugStep(Machine& m) { return BareStep(m); }

PaneListing ListFrom(const Machine& m, uint16_t top, int lines) {
    PaneListing listing;
    listing.Lines = WalkListing(m, top, lines);
    if (!listing.Lines.empty()) listing.LastSpan = ListingSpan(listing.Lines.back(), top);
    return listing;
}

std::optional<uint16_t> ListLineAddress(const Machine& m, uint16_t top, int row) {
    if (row <= 0) return top;
    const PaneListing before = ListFrom(m, top, row);
    if (static_cast<int>(before.Lines.size()) < row || before.LastSpan < 0) return std::nullopt;
    return before.Lines.back().Next;
}

}  // namespace varnox
