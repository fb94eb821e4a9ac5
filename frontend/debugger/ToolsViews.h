// The tools' read-only tabs: the call stack (choosing a frame shows its
// call in the listing), the registers with what the last step or run
// changed marked, and the LCD controller.
#pragma once

#include <QListWidget>
#include <QPlainTextEdit>

#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsCallStack : public TToolsTab {
    Q_OBJECT
public:
    TToolsCallStack(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    QListWidget* List() const { return list_; }

private:
    QListWidget* list_ = nullptr;
};

class TToolsRegisters : public TToolsTab {
    Q_OBJECT
public:
    TToolsRegisters(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    QTableWidget* Table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

class TToolsLcd : public TToolsTab {
    Q_OBJECT
public:
    TToolsLcd(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    QPlainTextEdit* Text() const { return text_; }

private:
    QPlainTextEdit* text_ = nullptr;
};

}  // namespace varnox
