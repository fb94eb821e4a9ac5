#include "frontend/debugger/ToolsProfile.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace varnox {

TToolsProfile::TToolsProfile(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    QPushButton* run = MakeToolsButton(QStringLiteral("Run"), this);
    QPushButton* reset = MakeToolsButton(QStringLiteral("Reset"), this);
    run->setToolTip(QStringLiteral("Continues with the cycles counted, until the run stops"));
    byBox_ = new QComboBox(this);
    byBox_->addItems({QStringLiteral("Functions"), QStringLiteral("Source lines")});
    row->addWidget(run);
    row->addWidget(reset);
    row->addWidget(byBox_);
    row->addStretch(1);
    layout->addLayout(row);
    table_ = MakeToolsTable({"Name", "Cycles", "Share", "Calls"}, this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(table_, 1);
    connect(run, &QPushButton::clicked, &controller_, &TDebugController::ProfileRun);
    connect(reset, &QPushButton::clicked, this, [this] {
        controller_.GetProfiler().Reset();
        Refresh();
    });
    connect(byBox_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(addresses_.size())) controller_.ShowInListing(addresses_[static_cast<size_t>(row)]);
    });
}

void TToolsProfile::Refresh() {
    const DebugSession& session = controller_.Session();
    const ProfileReport report = controller_.GetProfiler().Report(session.Names(), &session.Lines);
    const std::vector<ProfileRow>& rows = byBox_->currentIndex() == 0 ? report.Functions : report.Lines;
    table_->setRowCount(static_cast<int>(rows.size()));
    addresses_.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        const ProfileRow& profiled = rows[i];
        table_->setItem(row, NameColumn, ToolsCell(QString::fromStdString(profiled.Name)));
        table_->setItem(row, CyclesColumn, ToolsCell(QString::number(profiled.Cycles)));
        table_->setItem(row, ShareColumn, ToolsCell(QString::number(100.0 * profiled.Share, 'f', 1) + QLatin1Char('%')));
        table_->setItem(row, CallsColumn, ToolsCell(profiled.Calls ? QString::number(profiled.Calls) : QString()));
        for (int column : {CyclesColumn, ShareColumn, CallsColumn}) {
            table_->item(row, column)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        addresses_.push_back(profiled.Address);
    }
    table_->resizeColumnsToContents();
}

}  // namespace varnox
