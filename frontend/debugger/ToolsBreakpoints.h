// The tools' Breakpoints tab: the list (a tick switches one, its condition
// and hit count edited in place, Del removes it) and the fields that add one.
#pragma once

#include <QLineEdit>

#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsBreakpoints : public TToolsTab {
    Q_OBJECT
public:
    TToolsBreakpoints(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // As the fields take them; false (and the reason in the status line)
    // when the text is refused.
    bool Add(const QString& address, const QString& condition, const QString& hitCount);
    QTableWidget* Table() const { return table_; }

private:
    void ItemChanged(QTableWidgetItem* item);
    void RemoveSelected();

    bool refreshing_ = false;
    QTableWidget* table_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* condition_ = nullptr;
    QLineEdit* hitCount_ = nullptr;
};

}  // namespace varnox
