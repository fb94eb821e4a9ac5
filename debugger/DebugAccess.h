// How the debugger reads and changes the machine: the register rows and
// flag cells of the Registers pane, data memory as the panes see it
// (whatever the memory gate holds), the instruction store that a typed line
// goes to, the single step and the listing walk. No pane touches the machine
// otherwise, and what only reads takes the machine as const.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "asm/Asem.h"
#include "asm/Listing.h"
#include "asm/Symbols.h"
#include "core/Def.h"

namespace varnox {

// ---- Registers and flags -----------------------------------------------------

// A row of the Registers pane: a register of more than 2 digits is reached
// as 16 bits (Wide), any other as one byte (Narrow).
struct RegisterRow {
    std::string_view Label;
    int Digits;
    uint16_t Mask;
    uint16_t CpuState::*Wide;
    uint8_t CpuState::*Narrow;
};

constexpr int RegisterRowCount = 6;
extern const std::array<RegisterRow, RegisterRowCount> RegisterRows;

uint16_t ReadRegisterRow(const CpuState& cpu, const RegisterRow& row);

// Stores the value masked to the row's register, then applies IF, as an
// edit of IF must take effect at once.
void StoreRegisterRow(Machine& m, const RegisterRow& row, uint64_t value);

// Background of a drawn text: the pane's own colour, or a flag cell's.
enum class CellColour : uint8_t { Pane, White, Silver };

// A cell of the flag rows. The two texts have the same length.
struct FlagCell {
    uint8_t Mask;
    std::string_view Clear;
    std::string_view Set;
    int Column;
    int Row;
    CellColour Background;
};

constexpr int FlagCellCount = 6;
extern const std::array<FlagCell, FlagCellCount> FlagCells;

std::string_view FlagCellText(const FlagCell& cell, uint8_t flags);
void ToggleFlag(CpuState& cpu, const FlagCell& cell);

// ---- Main register file ------------------------------------------------------

constexpr int MainRowRegisters = 16;
constexpr int MainRowCount = RegisterFileBytes / MainRowRegisters;
extern const std::array<std::string_view, MainRowCount> MainRowLabels;

// ---- Memory --------------------------------------------------------------------

// Data memory as it is, whatever the memory gate holds.
uint8_t PaneReadByte(const Machine& m, uint16_t address);

// A store through the data path, whatever the gate holds: RAM addresses
// take it, ROM windows drop it.
void PaneWriteByte(Machine& m, uint16_t address, uint8_t value);

// Puts assembled bytes where the instruction fetch reads them: below
// 0x1800 into the InstrRom word (its other bytes kept), from 0x1800 on into
// the data bytes at target, target + 1, ... (16-bit wrap), ROM windows too.
void StoreInstructionBytes(Machine& m, uint16_t target, const AsmResult& bytes);

// Assembles a typed line (cut to AsmLineLimit characters), with names of
// the symbols where it gives an address, and stores it at target. Returns
// 0, or the 1-based position of the rejection; a rejected line stores
// nothing.
int AssembleAt(Machine& m, uint16_t target, std::string_view line, const SymbolTable* symbols = nullptr);

// ---- Stepping ------------------------------------------------------------------

// The Debug Window's single step: the bare processor step
// (core/MachineStep.h BareStep), counted in the machine's clock but with
// nothing of the run loop around it: no budget, no timer line, no stop
// tests. The one step production code makes outside MachineStep.
int32_t DebugStep(Machine& m);

// ---- Listing ---------------------------------------------------------------------

struct PaneListing {
    std::vector<ListingLine> Lines;
    int LastSpan = 0;  // addresses from top to the end of the last line; negative after a wrap
};

// Up to `lines` lines from top, stopping after a wrap.
PaneListing ListFrom(const Machine& m, uint16_t top, int lines);

// The address of line `row` of a listing from top, or nothing when the
// walk wraps before it.
std::optional<uint16_t> ListLineAddress(const Machine& m, uint16_t top, int row);

}  // namespace varnox
