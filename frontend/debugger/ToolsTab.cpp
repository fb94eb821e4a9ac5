#include "frontend/debugger/ToolsTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QShortcut>
#include <QStyledItemDelegate>

#include "debugger/Breakpoints.h"
#include "frontend/debugger/PaneWidgets.h"

namespace varnox {
namespace {

constexpr QRgb ChangedColour = 0xFFD00000;

// One past the most taken, so that a longer text reaches the parser, which
// refuses it with the limit said, rather than being cut to fit.
constexpr int ExpressionFieldLength = static_cast<int>(MaxTypedExpression) + 1;

// A cell's editor that takes expressions as long as a field does.
class TExpressionCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) edit->setMaxLength(ExpressionFieldLength);
        return editor;
    }
};

}  // namespace

QLineEdit* MakeExpressionField(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(ExpressionFieldLength);
    // A refusal's mark goes with the first change the user makes.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit] {
        if (!edit->property(RefusedProperty).toBool()) return;
        edit->setProperty(RefusedProperty, false);
        edit->setPalette(QPalette());
    });
    return edit;
}

void TakeExpressionsIn(QTableWidget* table, int column) {
    table->setItemDelegateForColumn(column, new TExpressionCellDelegate(table));
}

QTableWidget* MakeToolsTable(const QStringList& headers, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setFont(PaneFont());
    return table;
}

QTableWidgetItem* ToolsCell(const QString& text, bool editable) {
    auto* item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (editable) flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

QTableWidgetItem* ToolsCheckCell(bool checked) {
    auto* item = new QTableWidgetItem();
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

QPushButton* MakeToolsButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* AddEntryRow(QBoxLayout* layout, const QString& hint, std::function<bool(const QString&)> add,
                       std::function<void()> remove, QWidget* parent) {
    auto* row = new QHBoxLayout();
    QLineEdit* edit = MakeExpressionField(parent);
    edit->setPlaceholderText(hint);
    QPushButton* addButton = MakeToolsButton(QStringLiteral("Add"), parent);
    QPushButton* removeButton = MakeToolsButton(QStringLiteral("Remove"), parent);
    auto addIt = [edit, add] {
        if (add(edit->text())) {
            edit->clear();
        } else {
            MarkRefused(edit);
        }
    };
    QObject::connect(addButton, &QPushButton::clicked, parent, addIt);
    QObject::connect(edit, &QLineEdit::returnPressed, parent, addIt);
    QObject::connect(removeButton, &QPushButton::clicked, parent, std::move(remove));
    row->addWidget(edit, 1);
    row->addWidget(addButton);
    row->addWidget(removeButton);
    layout->addLayout(row);
    return edit;
}

void MarkRefused(QLineEdit* edit) {
    edit->setProperty(RefusedProperty, true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, QColor::fromRgb(ChangedColour));
    edit->setPalette(palette);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void OnDelete(QTableWidget* table, std::function<void()> remove) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Delete), table, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(shortcut, &QShortcut::activated, table, std::move(remove));
}

void MarkChanged(QTableWidgetItem* item) {
    item->setForeground(QColor::fromRgb(ChangedColour));
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
}

}  // namespace varnox
