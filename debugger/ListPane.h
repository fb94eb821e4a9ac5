// The disassembly pane: the listing from ListTop as the processor would
// fetch it, with the listing's first address and any line editable.
#pragma once

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
};

}  // namespace varnox
