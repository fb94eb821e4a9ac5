#include "frontend/debugger/ToolsWatch.h"

#include <QVBoxLayout>

namespace varnox {

TToolsWatch::TToolsWatch(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    table_ = MakeToolsTable({"Expression", "Value"}, this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    OnDelete(table_, [this] { RemoveSelected(); });
    layout->addWidget(table_, 1);
    edit_ = AddEntryRow(layout, QStringLiteral("r5, ix, [count], [count+1], word [4009]"),
                        [this](const QString& text) { return Add(text); }, [this] { RemoveSelected(); }, this);
    edit_->setObjectName(QStringLiteral("watchEntry"));
}

bool TToolsWatch::Add(const QString& text) {
    DebugSession& session = controller_.Session();
    if (const std::string problem = session.Expressions.Add(text.toStdString(), session.Names()); !problem.empty()) {
        controller_.SetStatus(QString::fromStdString(problem));
        return false;
    }
    // Shown at once, not first at the next stop.
    session.Expressions.Update(controller_.GetMachine());
    controller_.Changed();
    // Said after the redraw, which may set the status line itself.
    if (session.Expressions.All().back().What.CodeName) {
        controller_.SetStatus(text.trimmed() + QStringLiteral(" names code; it shows the data address of the same number"));
    }
    return true;
}

void TToolsWatch::Refresh() {
    const std::vector<WatchExpression>& all = controller_.Session().Expressions.All();
    table_->setRowCount(static_cast<int>(all.size()));
    for (size_t i = 0; i < all.size(); ++i) {
        const int row = static_cast<int>(i);
        table_->setItem(row, 0, ToolsCell(QString::fromStdString(all[i].Text)));
        QTableWidgetItem* value = ToolsCell(QString::fromStdString(WatchValueText(all[i])));
        if (all[i].Changed) MarkChanged(value);
        table_->setItem(row, 1, value);
    }
    table_->resizeColumnToContents(0);
}

void TToolsWatch::RemoveSelected() {
    const int row = table_->currentRow();
    if (row < 0) return;
    controller_.Session().Expressions.Remove(static_cast<size_t>(row));
    controller_.Changed();
}

}  // namespace varnox
