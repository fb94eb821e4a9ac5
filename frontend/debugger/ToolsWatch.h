// The tools' Watch tab: expressions ("r5", "[count]", "word [4009]") read
// at every stop, those whose value changed since the stop before marked;
// added as text, removed with Del.
#pragma once

#include <QLineEdit>

#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsWatch : public TToolsTab {
    Q_OBJECT
public:
    TToolsWatch(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // False (and the reason in the status line) when the text is refused.
    bool Add(const QString& text);
    QTableWidget* Table() const { return table_; }

private:
    void RemoveSelected();

    QTableWidget* table_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

}  // namespace varnox
