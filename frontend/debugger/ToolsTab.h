// A tab of the debugger's tools: a widget over the controller, redrawn
// from the machine and the session when the controller says they changed;
// and the table, cell and button makers the tabs share.
#pragma once

#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>

#include <functional>

#include "frontend/debugger/DebugController.h"

namespace varnox {

class TToolsTab : public QWidget {
    Q_OBJECT
public:
    TToolsTab(TDebugController& controller, QWidget* parent) : QWidget(parent), controller_(controller) {}
    // Everything from the machine and the session as they are now.
    virtual void Refresh() = 0;

protected:
    TDebugController& controller_;
};

QTableWidget* MakeToolsTable(const QStringList& headers, QWidget* parent);
QTableWidgetItem* ToolsCell(const QString& text, bool editable = false);
QTableWidgetItem* ToolsCheckCell(bool checked);
QPushButton* MakeToolsButton(const QString& text, QWidget* parent);
// A field for a condition or watch: longer ones than the debugger takes
// are refused by it, not cut by the field.
QLineEdit* MakeExpressionField(QWidget* parent);
// The same for what is typed into a column's cells.
void TakeExpressionsIn(QTableWidget* table, int column);
// A row under a table: an expression field with `hint`, Add (or Enter: `add`,
// which says whether it took the text; the field is then emptied) and
// Remove; the field, for the tab to keep.
QLineEdit* AddEntryRow(QBoxLayout* layout, const QString& hint, std::function<bool(const QString&)> add,
                       std::function<void()> remove, QWidget* parent);
// A refused entry in an expression field stays for the user to mend,
// marked, with the keyboard and all of its text selected: what is typed
// next replaces it rather than joins it. The mark goes with the first
// change.
void MarkRefused(QLineEdit* edit);
inline constexpr const char* RefusedProperty = "refused";
// Del removes the selected row of a table.
void OnDelete(QTableWidget* table, std::function<void()> remove);
// A value drawn as changed since the last stop.
void MarkChanged(QTableWidgetItem* item);

}  // namespace varnox
