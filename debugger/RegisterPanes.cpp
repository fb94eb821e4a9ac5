#include "debugger/RegisterPanes.h"

#include <algorithm>

namespace varnox {
namespace {

// Both panes show at most eight rows: two of flags and six registers, or
// the whole register file.
constexpr int MaxRows = 8;
constexpr int FlagRows = 2;
constexpr int ValueColumn = 4;
constexpr int FirstByteColumn = 12;

// Byte j of a main register row: three cells a byte, and a blank more
// after every fourth.
int MainByteColumn(int j) { return FirstByteColumn + 3 * j + j / 4; }

}  // namespace

// ---- Registers ---------------------------------------------------------------------

int RegPane::VisibleRows() const { return std::min(Rows(), MaxRows); }

const RegisterRow* RegPane::RowAt(int row) const {
    const int index = row - FlagRows + state_.RegTop;
    if (row < FlagRows || row >= VisibleRows() || index < 0 || index >= RegisterRowCount) return nullptr;
    return &RegisterRows[static_cast<size_t>(index)];
}

std::vector<PaneText> RegPane::Draw(ScrollRange&) const {
    std::vector<PaneText> texts;
    for (int row = FlagRows; row < VisibleRows(); ++row) {
        const RegisterRow* reg = RowAt(row);
        if (!reg) continue;
        texts.push_back({0, row, std::string(reg->Label)});
        texts.push_back({ValueColumn, row, HexText(ReadRegisterRow(Viewed().Cpu, *reg), reg->Digits)});
    }
    texts.push_back({0, 0, "F:"});
    for (const FlagCell& cell : FlagCells) {
        texts.push_back({cell.Column, cell.Row, std::string(FlagCellText(cell, Viewed().Cpu.F)), cell.Background});
    }
    return texts;
}

std::optional<EditorSpot> RegPane::Click(int column, int row) {
    if (row < 0 || row >= VisibleRows()) return std::nullopt;
    if (row >= FlagRows) {
        const RegisterRow* reg = RowAt(row);
        if (!reg || column < ValueColumn || column >= ValueColumn + reg->Digits) return std::nullopt;
        const auto index = static_cast<uint16_t>(reg - RegisterRows.data());
        return Open(EditKind::RegisterValue, index, {ValueColumn, reg->Digits, row, true});
    }
    // Cells at columns 3-4, 5-6 and 7-9 of each flag row; a toggle opens no editor.
    if (column < 3 || column > 9) return std::nullopt;
    const int index = 3 * row + (column < 5 ? 0 : column < 7 ? 1 : 2);
    ToggleFlag(machine_.Cpu, FlagCells[static_cast<size_t>(index)]);
    state_.EditMode = EditKind::FlagToggled;
    state_.EditTarget = static_cast<uint16_t>(index);
    return std::nullopt;
}

bool RegPane::Owns(EditKind mode) const { return mode == EditKind::RegisterValue; }

CommitResult RegPane::Commit(std::u16string_view text) {
    const auto value = ReadTypedNumber(text, 16);
    if (value && state_.EditTarget < RegisterRowCount) {
        StoreRegisterRow(machine_, RegisterRows[state_.EditTarget], *value);
    }
    return {};
}

// ---- Main register file ---------------------------------------------------------------

int MainPane::VisibleRows() const { return std::min(Rows(), MaxRows); }

std::vector<PaneText> MainPane::Draw(ScrollRange& scroll) const {
    std::vector<PaneText> texts;
    const int firstRow = state_.MainTop / MainRowRegisters;
    for (int row = 0; row < VisibleRows(); ++row) {
        const int labelIndex = firstRow + row;
        if (labelIndex < 0 || labelIndex >= MainRowCount) break;
        texts.push_back({0, row, std::string(MainRowLabels[static_cast<size_t>(labelIndex)])});
        for (int j = 0; j < MainRowRegisters; ++j) {
            const uint8_t value = Viewed().Cpu.MainRegisterFile[static_cast<size_t>(labelIndex * MainRowRegisters + j)];
            texts.push_back({MainByteColumn(j), row, HexText(value, 2)});
        }
    }
    scroll.Position = firstRow;
    scroll.Minimum = 0;
    scroll.Maximum = MainRowCount - VisibleRows();
    scroll.LargeChange = VisibleRows();
    return texts;
}

std::optional<EditorSpot> MainPane::Click(int column, int row) {
    if (row < 0 || row >= VisibleRows()) return std::nullopt;
    const int rowStart = state_.MainTop + MainRowRegisters * row;
    if (rowStart < 0 || rowStart + MainRowRegisters > RegisterFileBytes) return std::nullopt;
    // Four groups of 13 cells: four bytes of three cells, and a blank.
    const int q = column - FirstByteColumn;
    if (q < 0 || q >= 51 || q % 13 > 10 || q % 13 % 3 > 1) return std::nullopt;
    const int j = (q - q / 13) / 3;
    return Open(EditKind::MainRegister, static_cast<uint16_t>(rowStart + j), {MainByteColumn(j), 2, row, true});
}

CommitResult MainPane::Commit(std::u16string_view text) {
    const auto value = ReadTypedNumber(text, 16);
    if (value && state_.EditTarget < RegisterFileBytes) {
        machine_.Cpu.MainRegisterFile[state_.EditTarget] = static_cast<uint8_t>(*value & 0xFF);
    }
    return {};
}

}  // namespace varnox
