// A data pane of the debugger without its window: what it draws, what a
// click on a cell opens, what Enter stores, and how its scroll position
// maps to its top. The window gives every pane the same mechanics.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Def.h"
#include "debugger/DebugAccess.h"
#include "debugger/DebugInput.h"
#include "debugger/DebugState.h"
#include "debugger/HexText.h"

namespace varnox {

// A text at a cell, on its background.
struct PaneText {
    int Column = 0;
    int Row = 0;
    std::string Text;
    CellColour Background = CellColour::Pane;
};

// Where an in-place editor opens, in cells, and whether it upper-cases.
struct EditorSpot {
    int Column = 0;
    int Width = 0;
    int Row = 0;
    bool UpperCase = true;
};

// What Enter did: close the editor, or keep it open with the caret moved.
struct CommitResult {
    bool Close = true;
    int Caret = 0;
};

class DebugPane {
public:
    DebugPane(Machine& m, DebugState& state) : machine_(m), state_(state) {}
    virtual ~DebugPane() = default;
    DebugPane(const DebugPane&) = delete;
    DebugPane& operator=(const DebugPane&) = delete;

    // Rows and columns of cells the pane's surface holds.
    void SetGrid(int rows, int columns) {
        rows_ = rows < 0 ? 0 : rows;
        columns_ = columns < 0 ? 0 : columns;
    }
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }

    // The whole content from the machine as it is now, read through Viewed;
    // sets the scroll range where the pane keeps one.
    virtual std::vector<PaneText> Draw(ScrollRange& scroll) const = 0;

    // A press on a cell (the row within the pane). Sets EditMode and
    // EditTarget for what it opens; returns the editor to place, if any.
    virtual std::optional<EditorSpot> Click(int column, int row) = 0;

    // Whether Enter in this mode is this pane's to commit.
    virtual bool Owns(EditKind mode) const = 0;

    // Enter in one of the pane's modes, with the editor's text.
    virtual CommitResult Commit(std::u16string_view text) = 0;

    // The base that user edits are filtered with in the current mode; 0
    // for none.
    virtual int FilterBase() const = 0;

    virtual void SetTopFromPosition(int position) = 0;

protected:
    std::optional<EditorSpot> Open(EditKind mode, uint16_t target, EditorSpot spot) {
        state_.EditMode = mode;
        state_.EditTarget = target;
        return spot;
    }

    // Drawing only reads the machine.
    const Machine& Viewed() const { return machine_; }

    Machine& machine_;
    DebugState& state_;

private:
    int rows_ = 0;
    int columns_ = 0;
};

}  // namespace varnox
