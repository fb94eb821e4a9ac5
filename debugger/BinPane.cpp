#include "debugger/BinPane.h"

namespace varnox {
namespace {

constexpr int AddressDigits = 4;
constexpr int FirstByteColumn = 6;
constexpr int FirstCharColumn = 54;
constexpr int TotalRows = (BinEndAddress - BinFirstAddress) / BinRowBytes;  // 512

int ByteColumn(int i) { return FirstByteColumn + 3 * i; }

char Printable(uint8_t byte) { return byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.'; }

}  // namespace

std::vector<PaneText> BinPane::Draw(ScrollRange& scroll) const {
    std::vector<PaneText> texts;
    int address = state_.BinTop;
    for (int row = 0; row < Rows() && address < BinEndAddress; ++row, address += BinRowBytes) {
        texts.push_back({0, row, HexText(static_cast<unsigned>(address), AddressDigits) + ":"});
        std::string characters;
        for (int i = 0; i < BinRowBytes; ++i) {
            const uint8_t byte = PaneReadByte(Viewed(), static_cast<uint16_t>(address + i));
            texts.push_back({ByteColumn(i), row, HexText(byte, 2)});
            characters += Printable(byte);
        }
        texts.push_back({FirstCharColumn, row, characters});
    }
    scroll.Position = (state_.BinTop - BinFirstAddress) / BinRowBytes;
    scroll.Minimum = 0;
    scroll.Maximum = TotalRows - Rows();
    scroll.LargeChange = Rows();
    return texts;
}

std::optional<EditorSpot> BinPane::Click(int column, int row) {
    if (row < 0 || row >= Rows()) return std::nullopt;
    if (row == 0 && column >= 0 && column < AddressDigits) {
        return Open(EditKind::BinAddress, 0, {0, AddressDigits, 0, true});
    }
    const int rowAddress = state_.BinTop + BinRowBytes * row;
    // On either digit of a hex byte, not on the blank after it.
    if (column >= FirstByteColumn && column < FirstCharColumn && column % 3 < 2) {
        const int b = (column - FirstByteColumn) / 3;
        const auto target = static_cast<uint16_t>(rowAddress + b);
        if (target >= BinEndAddress) return std::nullopt;
        return Open(EditKind::BinByte, target, {ByteColumn(b), 2, row, true});
    }
    if (column >= FirstCharColumn && column < FirstCharColumn + BinRowBytes) {
        const auto target = static_cast<uint16_t>(rowAddress + column - FirstCharColumn);
        if (target >= BinEndAddress) return std::nullopt;
        return Open(EditKind::BinChar, target, {column, 1, row, false});
    }
    return std::nullopt;
}

bool BinPane::Owns(EditKind mode) const {
    return mode == EditKind::BinAddress || mode == EditKind::BinByte || mode == EditKind::BinChar;
}

CommitResult BinPane::Commit(std::u16string_view text) {
    switch (state_.EditMode) {
        case EditKind::BinAddress: {
            const auto value = ReadTypedNumber(text, 16);
            if (!value) break;
            // The low digit is dropped; the view must stay inside RAM with
            // a row to spare.
            const uint64_t top = *value & 0xFFF0;
            if (top >= BinFirstAddress && top + static_cast<uint64_t>(BinRowBytes * Rows()) < BinEndAddress) {
                state_.BinTop = static_cast<int32_t>(top);
            }
            break;
        }
        case EditKind::BinByte:
            if (const auto value = ReadTypedNumber(text, 16)) {
                PaneWriteByte(machine_, state_.EditTarget, static_cast<uint8_t>(*value & 0xFF));
            }
            break;
        case EditKind::BinChar:
            // The byte is the character's code in Latin-1; a character
            // outside it has no byte and stores nothing.
            if (!text.empty() && text.front() <= 0xFF) {
                PaneWriteByte(machine_, state_.EditTarget, static_cast<uint8_t>(text.front()));
            }
            break;
        default: break;
    }
    return {};
}

int BinPane::FilterBase() const {
    return state_.EditMode == EditKind::BinAddress || state_.EditMode == EditKind::BinByte ? 16 : 0;
}

}  // namespace varnox
