// The tools' Profile tab: where the cycles of a run went, per function or
// per source line, most first. "Run" continues with the profiler counting
// until the run stops; "Reset" forgets the counts; a double-click on a row
// shows its code in the listing.
#pragma once

#include <QComboBox>

#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsProfile : public TToolsTab {
    Q_OBJECT
public:
    enum Column { NameColumn, CyclesColumn, ShareColumn, CallsColumn };

    TToolsProfile(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    QTableWidget* Table() const { return table_; }
    // "Functions" or "Source lines".
    QComboBox* ByBox() const { return byBox_; }

private:
    QComboBox* byBox_ = nullptr;
    QTableWidget* table_ = nullptr;
    std::vector<uint16_t> addresses_;
};

}  // namespace varnox
