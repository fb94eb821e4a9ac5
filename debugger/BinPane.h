// The hex editor: RAM from 0xC000 to 0xDFFF, sixteen bytes to a row, as
// hex bytes and as characters, each editable, with the first row's address.
#pragma once

#include "debugger/DebugPane.h"

namespace varnox {

class BinPane final : public DebugPane {
public:
    using DebugPane::DebugPane;
    std::vector<PaneText> Draw(ScrollRange& scroll) const override;
    std::optional<EditorSpot> Click(int column, int row) override;
    bool Owns(EditKind mode) const override;
    CommitResult Commit(std::u16string_view text) override;
    int FilterBase() const override;
    void SetTopFromPosition(int position) override { state_.BinTop = BinFirstAddress + BinRowBytes * position; }
};

}  // namespace varnox
