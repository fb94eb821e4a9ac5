#include "debugger/ListPane.h"

#include "asm/Listing.h"

namespace varnox {
namespace {

constexpr int AddressDigits = 4;

// Assembly text as the assembler reads it: one byte per character typed,
// so a rejection position is a caret position. Characters beyond ASCII
// become DEL, which no rule takes (and a comment keeps).
std::string AssemblyBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t ch : text) bytes += ch < 0x80 ? static_cast<char>(ch) : '\x7F';
    return bytes;
}

}  // namespace

std::vector<ListingRow> ListPane::WalkRows(int rows) const {
    return WalkNamedListing(Viewed(), static_cast<uint16_t>(state_.ListTop), rows, symbols_);
}

std::vector<std::optional<uint16_t>> ListPane::RowAddresses() const {
    std::vector<std::optional<uint16_t>> addresses;
    for (const ListingRow& row : WalkRows(Rows())) {
        addresses.push_back(row.Label ? std::nullopt : std::optional<uint16_t>(row.Line.Address));
    }
    return addresses;
}

std::vector<PaneText> ListPane::Draw(ScrollRange& scroll) const {
    const auto top = static_cast<uint16_t>(state_.ListTop);
    std::vector<PaneText> texts;
    int row = 0;
    int lastSpan = 0;
    for (const ListingRow& listed : WalkRows(Rows())) {
        const ListingLine& line = listed.Line;
        if (listed.Label) {
            texts.push_back({0, row++, *listed.Label + ":"});
            continue;
        }
        texts.push_back({0, row, HexText(line.Address, AddressDigits) + ":"});
        texts.push_back({ListingMnemonicColumn, row, std::string(line.Mnemonic)});
        if (!line.Operands.empty()) texts.push_back({ListingOperandColumn, row, line.Operands});
        lastSpan = ListingSpan(line, top);
        ++row;
    }
    scroll.Position = state_.ListTop;
    scroll.Minimum = 0;
    scroll.Maximum = 0xFFFF;
    // Page Down then starts after the last line drawn.
    if (lastSpan > 0) scroll.LargeChange = lastSpan;
    return texts;
}

std::optional<EditorSpot> ListPane::Click(int column, int row) {
    if (row < 0 || row >= Rows()) return std::nullopt;
    if (row == 0 && column >= 0 && column < AddressDigits) {
        return Open(EditKind::ListAddress, state_.EditTarget, {0, AddressDigits, 0, true});
    }
    if (column < ListingMnemonicColumn || column >= Columns()) return std::nullopt;
    const std::vector<ListingRow> rows = WalkRows(row + 1);
    // A row past a wrap of the walk, or a label's row, opens nothing.
    if (static_cast<int>(rows.size()) <= row || rows[static_cast<size_t>(row)].Label) return std::nullopt;
    const std::optional<uint16_t> address = rows[static_cast<size_t>(row)].Line.Address;
    return Open(EditKind::ListInstruction, *address,
                {ListingMnemonicColumn, Columns() - ListingMnemonicColumn, row, false});
}

bool ListPane::Owns(EditKind mode) const { return mode == EditKind::ListAddress || mode == EditKind::ListInstruction; }

CommitResult ListPane::Commit(std::u16string_view text) {
    if (state_.EditMode == EditKind::ListAddress) {
        if (const auto value = ReadTypedNumber(text, 16)) state_.ListTop = static_cast<int32_t>(*value & 0xFFFF);
        return {};
    }
    const int errorPos = AssembleAt(machine_, state_.EditTarget, AssemblyBytes(text), symbols_);
    if (errorPos != 0) return {false, errorPos - 1};
    return {};
}

int ListPane::FilterBase() const { return state_.EditMode == EditKind::ListAddress ? 16 : 0; }

void ListPane::SetTopFromPosition(int position) { state_.ListTop = position & 0xFFFF; }

}  // namespace varnox
