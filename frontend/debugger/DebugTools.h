// The debugger's tools, a window beside the debugger's own: a row of run
// controls (continue, step into, over and out, run to the cursor, the
// breakpoint of the cursor's line, go to, symbols), what stopped the last
// run, and tabs for the breakpoints, watchpoints, call stack, trace,
// every memory, the registers and the LCD controller.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QComboBox>
#include <QWidget>

#include <filesystem>
#include <optional>

#include "core/Def.h"
#include "debugger/DebugSession.h"
#include "frontend/debugger/HexView.h"

namespace varnox {

class TDebugForm;

// Where the tools go beside the debugger (frames' top-left corners).
struct TToolsPlace {
    QPoint Debugger;
    QPoint Tools;
};
TToolsPlace PlaceToolsBeside(const QRect& area, const QRect& debugger, const QSize& tools, int gap);

class TDebugTools : public QWidget {
    Q_OBJECT
public:
    enum Tab { BreakpointsTab, WatchpointsTab, CallStackTab, TraceTab, MemoryTab, RegistersTab, LcdTab };

    TDebugTools(TDebugForm& form, Machine& machine, DebugSession& session, QWidget* parent = nullptr);

    // Every tab from the machine and the session as they are now.
    void Refresh();
    void SetStatus(const QString& text);
    QString Status() const { return status_->text(); }

    // Breakpoints and watchpoints as the fields below their lists take them;
    // false (and the reason in the status line) when the text is refused.
    bool AddBreakpoint(const QString& address, const QString& condition, const QString& hitCount);
    bool AddWatchpoint(const QString& text);
    // Writes the trace; the reason when it could not be written.
    std::optional<std::string> SaveTrace(const std::filesystem::path& file) const;
    // The memory tab on the address or name typed, or on what the search
    // finds next; false when there is none.
    bool GoToMemory(const QString& text);
    bool FindInMemory(const QString& text);

    QTabWidget* Tabs() const { return tabs_; }
    QTableWidget* BreakpointTable() const { return breakpointTable_; }
    QTableWidget* WatchpointTable() const { return watchpointTable_; }
    QListWidget* CallStackList() const { return callStack_; }
    QPlainTextEdit* TraceText() const { return trace_; }
    QComboBox* SpaceBox() const { return spaceBox_; }
    THexView* HexView() const { return hexView_; }
    QTableWidget* RegisterTable() const { return registerTable_; }
    QPlainTextEdit* LcdText() const { return lcd_; }
    QAbstractButton* Button(const QString& text) const;
    QLineEdit* FindEdit() const { return findEdit_; }
    QLineEdit* GoToEdit() const { return gotoEdit_; }

    // The registers that the changed marks compare with: as the last step
    // or run found them.
    void SetRegistersBefore(const CpuState& before) { before_ = before; }

private:
    QWidget* BuildBreakpointsTab();
    QWidget* BuildWatchpointsTab();
    QWidget* BuildCallStackTab();
    QWidget* BuildTraceTab();
    QWidget* BuildMemoryTab();
    QWidget* BuildRegistersTab();
    QWidget* BuildLcdTab();
    void RefreshBreakpoints();
    void RefreshWatchpoints();
    void BreakpointItemChanged(QTableWidgetItem* item);
    void WatchpointItemChanged(QTableWidgetItem* item);
    void RemoveSelected(QTableWidget* table, bool breakpoints);
    void SaveTraceClick();
    void LoadSymbolsClick();

    TDebugForm& form_;
    Machine& machine_;
    DebugSession& session_;
    CpuState before_{};
    bool refreshing_ = false;
    QLabel* status_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* breakpointTable_ = nullptr;
    QLineEdit* bpAddress_ = nullptr;
    QLineEdit* bpCondition_ = nullptr;
    QLineEdit* bpHitCount_ = nullptr;
    QTableWidget* watchpointTable_ = nullptr;
    QLineEdit* watchEdit_ = nullptr;
    QListWidget* callStack_ = nullptr;
    QPlainTextEdit* trace_ = nullptr;
    QComboBox* spaceBox_ = nullptr;
    QLineEdit* gotoEdit_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    THexView* hexView_ = nullptr;
    QTableWidget* registerTable_ = nullptr;
    QPlainTextEdit* lcd_ = nullptr;
};

}  // namespace varnox
