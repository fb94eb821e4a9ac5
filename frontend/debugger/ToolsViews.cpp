#include "frontend/debugger/ToolsViews.h"

#include <QVBoxLayout>

#include "debugger/CallStack.h"
#include "debugger/MachineViews.h"
#include "frontend/debugger/PaneWidgets.h"

namespace varnox {
namespace {

// The tab is its one widget, edge to edge.
template <typename View>
View* Fill(QWidget* tab, View* view) {
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    return view;
}

}  // namespace

TToolsCallStack::TToolsCallStack(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    list_ = Fill(this, new QListWidget(this));
    list_->setFont(PaneFont());
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        controller_.ShowInListing(static_cast<uint16_t>(item->data(Qt::UserRole).toUInt()));
    });
}

void TToolsCallStack::Refresh() {
    list_->clear();
    for (const CallFrame& frame : ReadCallStack(controller_.GetMachine())) {
        auto* item = new QListWidgetItem(QString::fromStdString(CallFrameText(frame, controller_.Session().Names())), list_);
        item->setData(Qt::UserRole, frame.CallAddress);
    }
}

TToolsRegisters::TToolsRegisters(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    table_ = Fill(this, MakeToolsTable({"Register", "Value"}, this));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TToolsRegisters::Refresh() {
    const std::vector<RegisterViewRow> rows =
        RegisterView(controller_.GetMachine().Cpu, controller_.RegistersBefore(), controller_.CyclesSinceStop());
    table_->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        table_->setItem(row, 0, ToolsCell(QString::fromStdString(rows[i].Label)));
        QTableWidgetItem* value = ToolsCell(QString::fromStdString(rows[i].Value));
        if (rows[i].Changed) MarkChanged(value);
        table_->setItem(row, 1, value);
    }
}

TToolsLcd::TToolsLcd(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    text_ = Fill(this, new QPlainTextEdit(this));
    text_->setReadOnly(true);
    text_->setFont(PaneFont());
}

void TToolsLcd::Refresh() {
    QStringList lines;
    for (const std::string& line : LcdView(controller_.GetMachine().Lcd)) lines << QString::fromStdString(line);
    text_->setPlainText(lines.join(QLatin1Char('\n')));
}

}  // namespace varnox
