// The Registers pane (PC, the ports, AS and the flag cells) and the Main
// Register File pane (R000..R127, sixteen to a row).
#pragma once

#include "debugger/DebugPane.h"

namespace varnox {

class RegPane final : public DebugPane {
public:
    using DebugPane::DebugPane;
    std::vector<PaneText> Draw(ScrollRange& scroll) const override;
    std::optional<EditorSpot> Click(int column, int row) override;
    bool Owns(EditKind mode) const override;
    CommitResult Commit(std::u16string_view text) override;
    int FilterBase() const override { return 16; }
    void SetTopFromPosition(int position) override { state_.RegTop = position; }

private:
    int VisibleRows() const;
    const RegisterRow* RowAt(int row) const;
};

class MainPane final : public DebugPane {
public:
    using DebugPane::DebugPane;
    std::vector<PaneText> Draw(ScrollRange& scroll) const override;
    std::optional<EditorSpot> Click(int column, int row) override;
    bool Owns(EditKind mode) const override { return mode == EditKind::MainRegister; }
    CommitResult Commit(std::u16string_view text) override;
    int FilterBase() const override { return 16; }
    void SetTopFromPosition(int position) override { state_.MainTop = MainRowRegisters * position; }

private:
    int VisibleRows() const;
};

}  // namespace varnox
