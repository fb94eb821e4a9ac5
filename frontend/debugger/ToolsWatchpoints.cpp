#include "frontend/debugger/ToolsWatchpoints.h"

#include <QVBoxLayout>

#include "debugger/AddressText.h"
#include "debugger/Breakpoints.h"
#include "debugger/Refind.h"

namespace varnox {

TToolsWatchpoints::TToolsWatchpoints(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    table_ = MakeToolsTable({"On", "Data addresses and access"}, this);
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (refreshing_ || item->column() != 0) return;
        controller_.Session().Watchpoints.SetEnabled(static_cast<size_t>(item->row()), item->checkState() == Qt::Checked);
    });
    OnDelete(table_, [this] { RemoveSelected(); });
    layout->addWidget(table_);
    edit_ = AddEntryRow(layout, QStringLiteral("ADDR[-ADDR][:r|w|rw], hex or names"), [this](const QString& text) { return Add(text); },
                        [this] { RemoveSelected(); }, this);
}

// One set by names keeps them, and is found again after a reload.
bool TToolsWatchpoints::Add(const QString& text) {
    DebugSession& session = controller_.Session();
    if (static_cast<size_t>(text.size()) > MaxTypedExpression) {
        controller_.SetStatus(QString::fromStdString(TooLongProblem("a watch")));
        return false;
    }
    std::string problem;
    const std::optional<size_t> index = AddWatchpointAt(session, text.toStdString(), problem);
    if (!index) {
        controller_.SetStatus(QString::fromStdString(problem));
        return false;
    }
    const WatchRange& range = session.Watchpoints.All()[*index].Range;
    controller_.SetStatus(QStringLiteral("Watching ") + QString::fromStdString(WatchText(range, session.Names())) +
                          (range.CodeName ? QStringLiteral(": it names code; the data address of the same number is watched")
                                          : QString()));
    controller_.Changed();
    return true;
}

void TToolsWatchpoints::Refresh() {
    refreshing_ = true;
    const DebugSession& session = controller_.Session();
    table_->setRowCount(static_cast<int>(session.Watchpoints.Size()));
    int row = 0;
    for (const Watchpoint& watchpoint : session.Watchpoints.All()) {
        table_->setItem(row, 0, ToolsCheckCell(watchpoint.Enabled));
        table_->setItem(row, 1, ToolsCell(QString::fromStdString(WatchText(watchpoint.Range, session.Names()))));
        ++row;
    }
    table_->resizeColumnToContents(0);
    refreshing_ = false;
}

void TToolsWatchpoints::RemoveSelected() {
    const int row = table_->currentRow();
    if (row < 0) return;
    controller_.Session().Watchpoints.Remove(static_cast<size_t>(row));
    controller_.Changed();
}

}  // namespace varnox
