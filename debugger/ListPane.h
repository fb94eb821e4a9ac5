// The disassembly pane: the listing from ListTop as the processor would
// fetch it, with the listing's first address and any line editable. With
// symbols, labels take rows of their own before their lines, operands show
// names and typed lines may use them.
#pragma once

#include "asm/NamedListing.h"
#include "debugger/DebugPane.h"

namespace varnox {

class ListPane final : public DebugPane {
public:
    using DebugPane::DebugPane;
    std::vector<PaneText> Draw(ScrollRange& scroll) const override;
    std::optional<EditorSpot> Click(int column, int row) override;
    bool Owns(EditKind mode) const override;
    CommitResult Commit(std::u16string_view text) override;
    int FilterBase() const override;
    void SetTopFromPosition(int position) override;

    void SetSymbols(const SymbolTable* symbols) { symbols_ = symbols; }
    // The instruction address of each row drawn now; none on a label row.
    std::vector<std::optional<uint16_t>> RowAddresses() const;

private:
    std::vector<ListingRow> WalkRows(int rows) const;
    const SymbolTable* symbols_ = nullptr;
};

}  // namespace varnox
