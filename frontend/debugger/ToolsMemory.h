// The tools' Memory tab: every memory of the machine in a hex view, with
// go to an address or name and find bytes or text.
#pragma once

#include <QComboBox>
#include <QLineEdit>

#include "frontend/debugger/HexView.h"
#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsMemory : public TToolsTab {
    Q_OBJECT
public:
    TToolsMemory(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // The view on the address or name typed, or on what the search finds
    // next; false (and the reason in the status line) when there is none.
    bool GoTo(const QString& text);
    bool Find(const QString& text);

    QComboBox* SpaceBox() const { return spaceBox_; }
    THexView* HexView() const { return hexView_; }
    QLineEdit* FindEdit() const { return findEdit_; }
    QLineEdit* GoToEdit() const { return gotoEdit_; }

private:
    QComboBox* spaceBox_ = nullptr;
    QLineEdit* gotoEdit_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    THexView* hexView_ = nullptr;
};

}  // namespace varnox
