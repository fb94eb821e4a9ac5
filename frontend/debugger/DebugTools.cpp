#include "frontend/debugger/DebugTools.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <span>

#include "debugger/AddressText.h"
#include "debugger/CallStack.h"
#include "debugger/MachineViews.h"
#include "frontend/debugger/Debug.h"
#include "frontend/debugger/PaneWidgets.h"
#include "system/AtomicReplace.h"

namespace varnox {
namespace {

constexpr QSize ToolsSize(600, 514);
constexpr QRgb ChangedColour = 0xFFD00000;
constexpr const char* KeysHint =
    "Keys: F5 continue, F11 into, F10 over, Shift+F11 out, F4 to the cursor, F9 breakpoint, Ctrl+G go to, "
    "Ctrl+F find, Ctrl+T these tools; a click left of a listing line sets its breakpoint.";

QTableWidget* MakeTable(const QStringList& headers, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setFont(PaneFont());
    return table;
}

QTableWidgetItem* Cell(const QString& text, bool editable) {
    auto* item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (editable) flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

QTableWidgetItem* CheckCell(bool checked) {
    auto* item = new QTableWidgetItem();
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

QPushButton* MakeButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

// Del removes the selected row of a table.
void OnDelete(QTableWidget* table, std::function<void()> remove) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Delete), table, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(shortcut, &QShortcut::activated, table, std::move(remove));
}

}  // namespace

TDebugTools::TDebugTools(TDebugForm& form, Machine& machine, DebugSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), machine_(machine), session_(session), before_(machine.Cpu) {
    setWindowTitle(QStringLiteral("Debug Tools"));
    setFont(DebugWindowFont());
    resize(ToolsSize);
    auto* layout = new QVBoxLayout(this);

    auto* row = new QHBoxLayout();
    struct ToolButton {
        const char* text;
        const char* key;
        void (TDebugForm::*slot)();
    };
    const ToolButton buttons[] = {
        {"Continue", "F5", &TDebugForm::ContinueClick},        {"Into", "F11", &TDebugForm::StepButtonClick},
        {"Over", "F10", &TDebugForm::StepOverClick},           {"Out", "Shift+F11", &TDebugForm::StepOutClick},
        {"To cursor", "F4", &TDebugForm::RunToCursorClick},    {"Breakpoint", "F9", &TDebugForm::ToggleBreakpointAtCursor},
        {"Go to", "Ctrl+G", &TDebugForm::GoToClick},
    };
    for (const ToolButton& tool : buttons) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromLatin1(tool.text));
        button->setToolTip(QString::fromLatin1(tool.key));
        connect(button, &QToolButton::clicked, &form_, tool.slot);
        row->addWidget(button);
    }
    auto* symbols = new QToolButton(this);
    symbols->setText(QStringLiteral("Symbols..."));
    connect(symbols, &QToolButton::clicked, this, &TDebugTools::LoadSymbolsClick);
    row->addWidget(symbols);
    row->addStretch(1);
    layout->addLayout(row);

    status_ = new QLabel(QString::fromLatin1(KeysHint), this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);

    tabs_ = new QTabWidget(this);
    tabs_->addTab(BuildBreakpointsTab(), QStringLiteral("&Breakpoints"));
    tabs_->addTab(BuildWatchpointsTab(), QStringLiteral("&Watchpoints"));
    tabs_->addTab(BuildCallStackTab(), QStringLiteral("&Call stack"));
    tabs_->addTab(BuildTraceTab(), QStringLiteral("T&race"));
    tabs_->addTab(BuildMemoryTab(), QStringLiteral("&Memory"));
    tabs_->addTab(BuildRegistersTab(), QStringLiteral("Re&gisters"));
    tabs_->addTab(BuildLcdTab(), QStringLiteral("&LCD"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { Refresh(); });
    layout->addWidget(tabs_, 1);
}

QAbstractButton* TDebugTools::Button(const QString& text) const {
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

void TDebugTools::SetStatus(const QString& text) { status_->setText(text); }

// ---- Breakpoints -------------------------------------------------------------------

QWidget* TDebugTools::BuildBreakpointsTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    breakpointTable_ = MakeTable({"On", "Address", "Condition", "Hit count", "Hits"}, page);
    connect(breakpointTable_, &QTableWidget::itemChanged, this, &TDebugTools::BreakpointItemChanged);
    connect(breakpointTable_, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        const size_t index = static_cast<size_t>(item->row());
        if (index < session_.Breakpoints.Size()) form_.ShowInListing(session_.Breakpoints.All()[index].Address);
    });
    OnDelete(breakpointTable_, [this] { RemoveSelected(breakpointTable_, true); });
    layout->addWidget(breakpointTable_);

    auto* row = new QHBoxLayout();
    bpAddress_ = new QLineEdit(page);
    bpAddress_->setPlaceholderText(QStringLiteral("address or name"));
    bpCondition_ = new QLineEdit(page);
    bpCondition_->setPlaceholderText(QStringLiteral("condition: r5 == 3, [count] > 9"));
    bpHitCount_ = new QLineEdit(page);
    bpHitCount_->setPlaceholderText(QStringLiteral("from hit"));
    bpHitCount_->setMaximumWidth(70);
    QPushButton* add = MakeButton(QStringLiteral("Add"), page);
    QPushButton* remove = MakeButton(QStringLiteral("Remove"), page);
    auto addIt = [this] {
        if (AddBreakpoint(bpAddress_->text(), bpCondition_->text(), bpHitCount_->text())) {
            bpAddress_->clear();
            bpCondition_->clear();
            bpHitCount_->clear();
        }
    };
    connect(add, &QPushButton::clicked, this, addIt);
    for (QLineEdit* edit : {bpAddress_, bpCondition_, bpHitCount_}) connect(edit, &QLineEdit::returnPressed, this, addIt);
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(breakpointTable_, true); });
    row->addWidget(bpAddress_);
    row->addWidget(bpCondition_, 1);
    row->addWidget(bpHitCount_);
    row->addWidget(add);
    row->addWidget(remove);
    layout->addLayout(row);
    return page;
}

bool TDebugTools::AddBreakpoint(const QString& address, const QString& condition, const QString& hitCount) {
    const AddressValue at = ParseAddressText(address.toStdString(), session_.Names());
    if (!at.Address) {
        SetStatus(QString::fromStdString(at.Problem));
        return false;
    }
    const ConditionValue parsed = ParseCondition(condition.toStdString(), session_.Names());
    if (!parsed.Condition && !parsed.Problem.empty()) {
        SetStatus(QString::fromStdString(parsed.Problem));
        return false;
    }
    bool ok = true;
    const uint32_t count = hitCount.trimmed().isEmpty() ? 0 : hitCount.trimmed().toUInt(&ok);
    if (!ok) {
        SetStatus(QStringLiteral("The hit count is a decimal number: ") + hitCount);
        return false;
    }
    const size_t index = session_.Breakpoints.Add(*at.Address);
    session_.Breakpoints.SetEnabled(index, true);
    session_.Breakpoints.SetCondition(index, parsed.Condition);
    session_.Breakpoints.SetHitCount(index, count);
    SetStatus(QStringLiteral("Breakpoint set at ") +
              QString::fromStdString(AddressWithName(*at.Address, session_.Names(), SymbolSpace::Code)));
    form_.Changed();
    return true;
}

void TDebugTools::RefreshBreakpoints() {
    breakpointTable_->setRowCount(static_cast<int>(session_.Breakpoints.Size()));
    int row = 0;
    for (const Breakpoint& breakpoint : session_.Breakpoints.All()) {
        const SymbolSpace space = breakpoint.Address < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data;
        breakpointTable_->setItem(row, 0, CheckCell(breakpoint.Enabled));
        breakpointTable_->setItem(row, 1, Cell(QString::fromStdString(AddressWithName(breakpoint.Address, session_.Names(), space)), false));
        breakpointTable_->setItem(row, 2, Cell(breakpoint.Condition ? QString::fromStdString(ConditionText(*breakpoint.Condition, session_.Names())) : QString(), true));
        breakpointTable_->setItem(row, 3, Cell(breakpoint.HitCount ? QString::number(breakpoint.HitCount) : QString(), true));
        breakpointTable_->setItem(row, 4, Cell(QString::number(breakpoint.Hits), false));
        ++row;
    }
    breakpointTable_->resizeColumnsToContents();
}

// A tick switches a breakpoint; a condition or hit count typed in its cell
// replaces the old one, or is refused with the reason.
void TDebugTools::BreakpointItemChanged(QTableWidgetItem* item) {
    if (refreshing_) return;
    const size_t index = static_cast<size_t>(item->row());
    if (index >= session_.Breakpoints.Size()) return;
    if (item->column() == 0) {
        session_.Breakpoints.SetEnabled(index, item->checkState() == Qt::Checked);
    } else if (item->column() == 2) {
        const ConditionValue parsed = ParseCondition(item->text().toStdString(), session_.Names());
        if (parsed.Condition || parsed.Problem.empty()) {
            session_.Breakpoints.SetCondition(index, parsed.Condition);
        } else {
            SetStatus(QString::fromStdString(parsed.Problem));
        }
    } else if (item->column() == 3) {
        bool ok = true;
        const uint32_t count = item->text().trimmed().isEmpty() ? 0 : item->text().trimmed().toUInt(&ok);
        if (ok) {
            session_.Breakpoints.SetHitCount(index, count);
        } else {
            SetStatus(QStringLiteral("The hit count is a decimal number: ") + item->text());
        }
    }
    QMetaObject::invokeMethod(&form_, [this] { form_.Changed(); }, Qt::QueuedConnection);
}

void TDebugTools::RemoveSelected(QTableWidget* table, bool breakpoints) {
    const int row = table->currentRow();
    if (row < 0) return;
    if (breakpoints) {
        session_.Breakpoints.Remove(static_cast<size_t>(row));
    } else {
        session_.Watchpoints.Remove(static_cast<size_t>(row));
    }
    form_.Changed();
}

// ---- Watchpoints -------------------------------------------------------------------

QWidget* TDebugTools::BuildWatchpointsTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    watchpointTable_ = MakeTable({"On", "Data addresses and access"}, page);
    connect(watchpointTable_, &QTableWidget::itemChanged, this, &TDebugTools::WatchpointItemChanged);
    OnDelete(watchpointTable_, [this] { RemoveSelected(watchpointTable_, false); });
    layout->addWidget(watchpointTable_);
    auto* row = new QHBoxLayout();
    watchEdit_ = new QLineEdit(page);
    watchEdit_->setPlaceholderText(QStringLiteral("ADDR[-ADDR][:r|w|rw], hex or names"));
    QPushButton* add = MakeButton(QStringLiteral("Add"), page);
    QPushButton* remove = MakeButton(QStringLiteral("Remove"), page);
    auto addIt = [this] {
        if (AddWatchpoint(watchEdit_->text())) watchEdit_->clear();
    };
    connect(add, &QPushButton::clicked, this, addIt);
    connect(watchEdit_, &QLineEdit::returnPressed, this, addIt);
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(watchpointTable_, false); });
    row->addWidget(watchEdit_, 1);
    row->addWidget(add);
    row->addWidget(remove);
    layout->addLayout(row);
    return page;
}

bool TDebugTools::AddWatchpoint(const QString& text) {
    const WatchRangeValue watch = ParseWatchText(text.toStdString(), session_.Names());
    if (!watch.Range) {
        SetStatus(QString::fromStdString(watch.Problem));
        return false;
    }
    session_.Watchpoints.Add(*watch.Range);
    SetStatus(QStringLiteral("Watching ") + QString::fromStdString(WatchText(*watch.Range, session_.Names())));
    form_.Changed();
    return true;
}

void TDebugTools::RefreshWatchpoints() {
    watchpointTable_->setRowCount(static_cast<int>(session_.Watchpoints.Size()));
    int row = 0;
    for (const Watchpoint& watchpoint : session_.Watchpoints.All()) {
        watchpointTable_->setItem(row, 0, CheckCell(watchpoint.Enabled));
        watchpointTable_->setItem(row, 1, Cell(QString::fromStdString(WatchText(watchpoint.Range, session_.Names())), false));
        ++row;
    }
    watchpointTable_->resizeColumnToContents(0);
}

void TDebugTools::WatchpointItemChanged(QTableWidgetItem* item) {
    if (refreshing_ || item->column() != 0) return;
    session_.Watchpoints.SetEnabled(static_cast<size_t>(item->row()), item->checkState() == Qt::Checked);
}

// ---- Call stack, trace -------------------------------------------------------------

QWidget* TDebugTools::BuildCallStackTab() {
    callStack_ = new QListWidget(this);
    callStack_->setFont(PaneFont());
    // Choosing a frame shows the call it returns from in the listing.
    connect(callStack_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        form_.ShowInListing(static_cast<uint16_t>(item->data(Qt::UserRole).toUInt()));
    });
    return callStack_;
}

QWidget* TDebugTools::BuildTraceTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    trace_ = new QPlainTextEdit(page);
    trace_->setReadOnly(true);
    trace_->setLineWrapMode(QPlainTextEdit::NoWrap);
    trace_->setFont(PaneFont());
    layout->addWidget(trace_);
    auto* row = new QHBoxLayout();
    QPushButton* save = MakeButton(QStringLiteral("Save trace..."), page);
    QPushButton* clear = MakeButton(QStringLiteral("Clear"), page);
    connect(save, &QPushButton::clicked, this, &TDebugTools::SaveTraceClick);
    connect(clear, &QPushButton::clicked, this, [this] {
        session_.Trace.Clear();
        Refresh();
    });
    row->addWidget(save);
    row->addWidget(clear);
    row->addStretch(1);
    layout->addLayout(row);
    return page;
}

std::optional<std::string> TDebugTools::SaveTrace(const std::filesystem::path& file) const {
    const std::string text = session_.Trace.Text(session_.Names());
    return ReplaceFile(file, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                       OtherTargets::WriteInPlace);
}

void TDebugTools::SaveTraceClick() {
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Save trace"), QStringLiteral("trace.txt"),
                                                      QStringLiteral("Text (*.txt);;All files (*)"));
    if (file.isEmpty()) return;
    if (const auto failure = SaveTrace(file.toStdString())) {
        QMessageBox::warning(this, QStringLiteral("Save trace"),
                             QStringLiteral("Failed to save the file ") + file + QStringLiteral(": ") +
                                 QString::fromStdString(*failure));
        return;
    }
    SetStatus(QStringLiteral("Trace of %1 steps saved to %2").arg(session_.Trace.Size()).arg(file));
}

void TDebugTools::LoadSymbolsClick() {
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Load symbols"), QString(),
                                                      QStringLiteral("Symbols (*.sym);;All files (*)"));
    if (file.isEmpty()) return;
    form_.LoadSymbols(file.toStdString(), SymbolTrust::Anyway);
}

// ---- Memory ------------------------------------------------------------------------

QWidget* TDebugTools::BuildMemoryTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout();
    spaceBox_ = new QComboBox(page);
    for (int i = 0; i < MemorySpaceCount; ++i) {
        spaceBox_->addItem(QString::fromLatin1(MemorySpaceName(static_cast<MemorySpace>(i)).data()));
    }
    gotoEdit_ = new QLineEdit(page);
    gotoEdit_->setPlaceholderText(QStringLiteral("go to: address or name"));
    findEdit_ = new QLineEdit(page);
    findEdit_->setPlaceholderText(QStringLiteral("find: 41 42 or \"text\""));
    QPushButton* next = MakeButton(QStringLiteral("Find next"), page);
    row->addWidget(spaceBox_);
    row->addWidget(gotoEdit_, 1);
    row->addWidget(findEdit_, 1);
    row->addWidget(next);
    layout->addLayout(row);
    hexView_ = new THexView(machine_, page);
    layout->addWidget(hexView_, 1);
    connect(spaceBox_, &QComboBox::currentIndexChanged, this,
            [this](int index) { hexView_->SetSpace(static_cast<MemorySpace>(index)); });
    connect(gotoEdit_, &QLineEdit::returnPressed, this, [this] { GoToMemory(gotoEdit_->text()); });
    connect(findEdit_, &QLineEdit::returnPressed, this, [this] { FindInMemory(findEdit_->text()); });
    connect(next, &QPushButton::clicked, this, [this] { FindInMemory(findEdit_->text()); });
    connect(hexView_, &THexView::Edited, this, [this] { form_.Changed(); });
    return page;
}

bool TDebugTools::GoToMemory(const QString& text) {
    const AddressValue address = ParseAddressText(text.toStdString(), session_.Names());
    const MemorySpace space = hexView_->Space();
    if (!address.Address) {
        SetStatus(QString::fromStdString(address.Problem));
        return false;
    }
    // A code name in the instruction ROM is a word: three bytes each.
    const Symbol* symbol = session_.Names() ? session_.Symbols.Find(text.trimmed().toStdString()) : nullptr;
    const uint32_t wanted = space == MemorySpace::InstrRom && symbol && symbol->Space == SymbolSpace::Code
                                ? 3u * *address.Address
                                : *address.Address;
    const std::optional<uint32_t> offset = OffsetOfAddress(space, wanted);
    if (!offset) {
        SetStatus(QStringLiteral("%1 is not in the %2").arg(text, QString::fromLatin1(MemorySpaceName(space).data())));
        return false;
    }
    hexView_->ShowOffset(*offset);
    hexView_->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TDebugTools::FindInMemory(const QString& text) {
    const SearchPattern pattern = ParseSearchPattern(text.toStdString());
    if (!pattern.Problem.empty()) {
        SetStatus(QString::fromStdString(pattern.Problem));
        return false;
    }
    const MemorySpace space = hexView_->Space();
    const std::optional<uint32_t> found = SearchMemory(machine_, space, pattern.Bytes, hexView_->Cursor() + 1);
    if (!found) {
        SetStatus(QStringLiteral("Not found in the ") + QString::fromLatin1(MemorySpaceName(space).data()));
        return false;
    }
    hexView_->ShowOffset(*found);
    SetStatus(QStringLiteral("Found at ") +
              QStringLiteral("%1").arg(ShownAddress(space, *found), 4, 16, QLatin1Char('0')).toUpper());
    return true;
}

// ---- Registers, LCD -------------------------------------------------------------

QWidget* TDebugTools::BuildRegistersTab() {
    registerTable_ = MakeTable({"Register", "Value"}, this);
    registerTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return registerTable_;
}

QWidget* TDebugTools::BuildLcdTab() {
    lcd_ = new QPlainTextEdit(this);
    lcd_->setReadOnly(true);
    lcd_->setFont(PaneFont());
    return lcd_;
}

void TDebugTools::Refresh() {
    refreshing_ = true;
    RefreshBreakpoints();
    RefreshWatchpoints();
    callStack_->clear();
    for (const CallFrame& frame : ReadCallStack(machine_)) {
        auto* item = new QListWidgetItem(QString::fromStdString(CallFrameText(frame, session_.Names())), callStack_);
        item->setData(Qt::UserRole, frame.CallAddress);
    }
    if (tabs_->currentIndex() == TraceTab) {
        trace_->setPlainText(QString::fromStdString(session_.Trace.Text(session_.Names())));
        trace_->moveCursor(QTextCursor::End);
    }
    const std::vector<RegisterViewRow> rows = RegisterView(machine_.Cpu, before_, session_.CyclesSinceStop);
    registerTable_->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        registerTable_->setItem(row, 0, Cell(QString::fromStdString(rows[i].Label), false));
        QTableWidgetItem* value = Cell(QString::fromStdString(rows[i].Value), false);
        if (rows[i].Changed) {
            value->setForeground(QColor::fromRgb(ChangedColour));
            QFont bold = value->font();
            bold.setBold(true);
            value->setFont(bold);
        }
        registerTable_->setItem(row, 1, value);
    }
    QStringList lcd;
    for (const std::string& line : LcdView(machine_.Lcd)) lcd << QString::fromStdString(line);
    lcd_->setPlainText(lcd.join(QLatin1Char('\n')));
    hexView_->update();
    refreshing_ = false;
}

// Right of the debugger, or else left of it; when neither side has room
// but the screen is wide enough for both, the debugger moves over to make
// it (it opens centred). Else below it, else over its right part at the
// screen's edge.
TToolsPlace PlaceToolsBeside(const QRect& area, const QRect& debugger, const QSize& tools, int gap) {
    QRect frame = debugger;
    if (frame.width() + gap + tools.width() <= area.width()) {
        if (frame.right() + gap + tools.width() <= area.right()) return {frame.topLeft(), {frame.right() + 1 + gap, frame.top()}};
        if (frame.left() - gap - tools.width() >= area.left()) return {frame.topLeft(), {frame.left() - gap - tools.width(), frame.top()}};
        frame.moveRight(area.right() - gap - tools.width());
        return {frame.topLeft(), {frame.right() + 1 + gap, frame.top()}};
    }
    if (frame.bottom() + gap + tools.height() <= area.bottom()) return {frame.topLeft(), {frame.left(), frame.bottom() + 1 + gap}};
    return {frame.topLeft(), {area.right() + 1 - tools.width(), frame.top()}};
}

}  // namespace varnox
