// The debugger's tools, a window beside the Debug Window: a row of run
// controls (continue, step into, over and out, run to the cursor, the
// breakpoint of the cursor's line, go to, symbols), the status line (what
// stopped the last run), and a tab per tool, each a widget of its own over
// the controller that both windows share.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "frontend/debugger/DebugController.h"
#include "frontend/debugger/DebugPlaces.h"
#include "frontend/debugger/ToolsBreakpoints.h"
#include "frontend/debugger/ToolsMemory.h"
#include "frontend/debugger/ToolsProfile.h"
#include "frontend/debugger/ToolsSource.h"
#include "frontend/debugger/ToolsTrace.h"
#include "frontend/debugger/ToolsViews.h"
#include "frontend/debugger/ToolsWatch.h"
#include "frontend/debugger/ToolsWatchpoints.h"

namespace varnox {

class TDebugTools : public QWidget {
    Q_OBJECT
public:
    enum Tab {
        SourceTab, WatchTab, BreakpointsTab, WatchpointsTab, CallStackTab, ProfileTab, TraceTab, MemoryTab, RegistersTab, LcdTab
    };

    explicit TDebugTools(TDebugController& controller, QWidget* parent = nullptr);

    // Every tab from the machine and the session as they are now.
    void Refresh();
    QString Status() const { return status_->text(); }

    bool AddBreakpoint(const QString& address, const QString& condition, const QString& hitCount) {
        return breakpoints_->Add(address, condition, hitCount);
    }
    bool AddWatchpoint(const QString& text) { return watchpoints_->Add(text); }
    std::optional<std::string> SaveTrace(const std::filesystem::path& file) const { return trace_->Save(file); }
    bool GoToMemory(const QString& text) { return memory_->GoTo(text); }
    bool FindInMemory(const QString& text) { return memory_->Find(text); }

    QTabWidget* Tabs() const { return tabs_; }
    // Adds a tab after those above.
    void AddTab(TToolsTab* tab, const QString& title);
    TToolsSource* Source() const { return source_; }
    TToolsWatch* Watch() const { return watch_; }
    TToolsProfile* Profile() const { return profile_; }
    QTableWidget* BreakpointTable() const { return breakpoints_->Table(); }
    QTableWidget* WatchpointTable() const { return watchpoints_->Table(); }
    QListWidget* CallStackList() const { return callStack_->List(); }
    QPlainTextEdit* TraceText() const { return trace_->Text(); }
    QComboBox* SpaceBox() const { return memory_->SpaceBox(); }
    THexView* HexView() const { return memory_->HexView(); }
    QTableWidget* RegisterTable() const { return registers_->Table(); }
    QPlainTextEdit* LcdText() const { return lcd_->Text(); }
    QAbstractButton* Button(const QString& text) const;
    QLineEdit* FindEdit() const { return memory_->FindEdit(); }
    QLineEdit* GoToEdit() const { return memory_->GoToEdit(); }

private:
    void LoadSymbolsClick();

    TDebugController& controller_;
    QLabel* status_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::vector<TToolsTab*> pages_;
    TToolsSource* source_ = nullptr;
    TToolsWatch* watch_ = nullptr;
    TToolsProfile* profile_ = nullptr;
    TToolsBreakpoints* breakpoints_ = nullptr;
    TToolsWatchpoints* watchpoints_ = nullptr;
    TToolsCallStack* callStack_ = nullptr;
    TToolsTrace* trace_ = nullptr;
    TToolsMemory* memory_ = nullptr;
    TToolsRegisters* registers_ = nullptr;
    TToolsLcd* lcd_ = nullptr;
};

}  // namespace varnox
