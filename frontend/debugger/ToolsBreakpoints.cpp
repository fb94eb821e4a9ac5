#include "frontend/debugger/ToolsBreakpoints.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "debugger/AddressText.h"
#include "debugger/Refind.h"

namespace varnox {
namespace {

std::optional<uint32_t> HitCountOf(const QString& text) {
    bool ok = true;
    const uint32_t count = text.trimmed().isEmpty() ? 0 : text.trimmed().toUInt(&ok);
    if (!ok) return std::nullopt;
    return count;
}

const QString HitCountProblem = QStringLiteral("The hit count is a decimal number: ");

}  // namespace

TToolsBreakpoints::TToolsBreakpoints(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    table_ = MakeToolsTable({"On", "Address", "Condition", "Hit count", "Hits"}, this);
    TakeExpressionsIn(table_, 2);
    connect(table_, &QTableWidget::itemChanged, this, &TToolsBreakpoints::ItemChanged);
    connect(table_, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        const size_t index = static_cast<size_t>(item->row());
        const BreakpointList& list = controller_.Session().Breakpoints;
        if (index < list.Size()) controller_.ShowInListing(list.All()[index].Address);
    });
    OnDelete(table_, [this] { RemoveSelected(); });
    layout->addWidget(table_);

    auto* row = new QHBoxLayout();
    address_ = new QLineEdit(this);
    address_->setPlaceholderText(QStringLiteral("address or name"));
    condition_ = MakeExpressionField(this);
    condition_->setPlaceholderText(QStringLiteral("condition: r5 == 3 && [count] > #9 (hex; # decimal)"));
    hitCount_ = new QLineEdit(this);
    hitCount_->setPlaceholderText(QStringLiteral("from hit"));
    hitCount_->setMaximumWidth(70);
    QPushButton* add = MakeToolsButton(QStringLiteral("Add"), this);
    QPushButton* remove = MakeToolsButton(QStringLiteral("Remove"), this);
    auto addIt = [this] {
        if (Add(address_->text(), condition_->text(), hitCount_->text())) {
            address_->clear();
            condition_->clear();
            hitCount_->clear();
        }
    };
    connect(add, &QPushButton::clicked, this, addIt);
    for (QLineEdit* edit : {address_, condition_, hitCount_}) connect(edit, &QLineEdit::returnPressed, this, addIt);
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    row->addWidget(address_);
    row->addWidget(condition_, 1);
    row->addWidget(hitCount_);
    row->addWidget(add);
    row->addWidget(remove);
    layout->addLayout(row);
}

// A breakpoint set by a name or a source line keeps it, and is found
// again there after a reload.
bool TToolsBreakpoints::Add(const QString& address, const QString& condition, const QString& hitCount) {
    DebugSession& session = controller_.Session();
    const ConditionValue parsed = ParseCondition(condition.toStdString(), session.Names());
    if (!parsed.Condition && !parsed.Problem.empty()) {
        controller_.SetStatus(QString::fromStdString(parsed.Problem));
        return false;
    }
    const std::optional<uint32_t> count = HitCountOf(hitCount);
    if (!count) {
        controller_.SetStatus(HitCountProblem + hitCount);
        return false;
    }
    std::string problem;
    const std::optional<size_t> index = AddBreakpointAt(session, address.toStdString(), problem);
    if (!index) {
        controller_.SetStatus(QString::fromStdString(problem));
        return false;
    }
    session.Breakpoints.SetEnabled(*index, true);
    session.Breakpoints.SetCondition(*index, parsed.Condition);
    session.Breakpoints.SetHitCount(*index, *count);
    const uint16_t at = session.Breakpoints.All()[*index].Address;
    controller_.SetStatus(QStringLiteral("Breakpoint set at ") +
                          QString::fromStdString(AddressWithName(at, session.Names(), SymbolSpace::Code)));
    controller_.Changed();
    return true;
}

void TToolsBreakpoints::Refresh() {
    refreshing_ = true;
    const DebugSession& session = controller_.Session();
    table_->setRowCount(static_cast<int>(session.Breakpoints.Size()));
    int row = 0;
    for (const Breakpoint& breakpoint : session.Breakpoints.All()) {
        const SymbolSpace space = breakpoint.Address < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data;
        const QString condition =
            breakpoint.Condition ? QString::fromStdString(ConditionText(*breakpoint.Condition, session.Names())) : QString();
        table_->setItem(row, 0, ToolsCheckCell(breakpoint.Enabled));
        table_->setItem(row, 1, ToolsCell(QString::fromStdString(AddressWithName(breakpoint.Address, session.Names(), space))));
        table_->setItem(row, 2, ToolsCell(condition, true));
        table_->setItem(row, 3, ToolsCell(breakpoint.HitCount ? QString::number(breakpoint.HitCount) : QString(), true));
        table_->setItem(row, 4, ToolsCell(QString::number(breakpoint.Hits)));
        ++row;
    }
    table_->resizeColumnsToContents();
    refreshing_ = false;
}

// A tick switches a breakpoint; a condition or hit count typed in its cell
// replaces the old one, or is refused with the reason.
void TToolsBreakpoints::ItemChanged(QTableWidgetItem* item) {
    DebugSession& session = controller_.Session();
    const size_t index = static_cast<size_t>(item->row());
    if (refreshing_ || index >= session.Breakpoints.Size()) return;
    if (item->column() == 0) {
        session.Breakpoints.SetEnabled(index, item->checkState() == Qt::Checked);
    } else if (item->column() == 2) {
        const ConditionValue parsed = ParseCondition(item->text().toStdString(), session.Names());
        if (parsed.Condition || parsed.Problem.empty()) {
            session.Breakpoints.SetCondition(index, parsed.Condition);
        } else {
            controller_.SetStatus(QString::fromStdString(parsed.Problem));
        }
    } else if (item->column() == 3) {
        if (const std::optional<uint32_t> count = HitCountOf(item->text())) {
            session.Breakpoints.SetHitCount(index, *count);
        } else {
            controller_.SetStatus(HitCountProblem + item->text());
        }
    }
    // Not from inside the table's own signal: the redraw rebuilds its rows.
    QMetaObject::invokeMethod(&controller_, [this] { controller_.Changed(); }, Qt::QueuedConnection);
}

void TToolsBreakpoints::RemoveSelected() {
    const int row = table_->currentRow();
    if (row < 0) return;
    controller_.Session().Breakpoints.Remove(static_cast<size_t>(row));
    controller_.Changed();
}

}  // namespace varnox
