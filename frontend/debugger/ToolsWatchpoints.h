// The tools' Watchpoints tab: data ranges that stop a run when read or
// written, switched by a tick, added as text, removed with Del.
#pragma once

#include <QLineEdit>

#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsWatchpoints : public TToolsTab {
    Q_OBJECT
public:
    TToolsWatchpoints(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // False (and the reason in the status line) when the text is refused.
    bool Add(const QString& text);
    QTableWidget* Table() const { return table_; }

private:
    void RemoveSelected();

    bool refreshing_ = false;
    QTableWidget* table_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

}  // namespace varnox
