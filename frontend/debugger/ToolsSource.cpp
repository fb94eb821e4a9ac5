#include "frontend/debugger/ToolsSource.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "asm/NamedListing.h"
#include "debugger/HexText.h"
#include "debugger/Refind.h"
#include "frontend/WindowSettings.h"

namespace varnox {
namespace {

// The listing starts this many words before PC and runs on for a screen
// or two.
constexpr int ListingBefore = 8;
constexpr int ListingRows = 160;
constexpr QRgb PcRowColour = 0xFFFFF2A0;
const QString BreakpointMark = QStringLiteral("\u25CF");
const QString PcMark = QStringLiteral("\u25B6");

}  // namespace

TToolsSource::TToolsSource(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    fileBox_ = new QComboBox(this);
    sourceAbove_ = new QCheckBox(QStringLiteral("Source lines in the listing"), this);
    QPushButton* into = MakeToolsButton(QStringLiteral("Line into"), this);
    QPushButton* over = MakeToolsButton(QStringLiteral("Line over"), this);
    QPushButton* folder = MakeToolsButton(QStringLiteral("Folder..."), this);
    into->setToolTip(QStringLiteral("Steps until PC is on another source line"));
    over->setToolTip(QStringLiteral("Steps over calls until PC is on another source line"));
    folder->setToolTip(QStringLiteral("Where the source files are"));
    row->addWidget(fileBox_, 1);
    row->addWidget(sourceAbove_);
    layout->addLayout(row);
    row = new QHBoxLayout();
    row->addWidget(into);
    row->addWidget(over);
    row->addWidget(folder);
    row->addStretch(1);
    layout->addLayout(row);

    table_ = MakeToolsTable({"", "Line", "Text"}, this);
    table_->horizontalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 2);
    layout->addWidget(table_, 1);

    connect(fileBox_, &QComboBox::activated, this, [this] {
        chosen_ = fileBox_->currentText();
        Refresh();
    });
    connect(sourceAbove_, &QCheckBox::toggled, this, [this] { Refresh(); });
    connect(into, &QPushButton::clicked, &controller_, [this] { controller_.StepLine(false); });
    connect(over, &QPushButton::clicked, &controller_, [this] { controller_.StepLine(true); });
    connect(folder, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Source folder"),
                                                                 QString::fromStdString(folder_.string()));
        if (chosen.isEmpty()) return;
        TWindowSettings::StoreSourceFolder(chosen);
        SetSourceFolder(chosen.toStdString());
    });
    table_->installEventFilter(this);
    // A click in the margin sets or clears the line's breakpoint; choosing
    // a line makes it the cursor of F4 and F9.
    connect(table_, &QTableWidget::cellPressed, this, [this](int row, int column) {
        const std::optional<uint16_t> address = RowAddress(row);
        if (!address) return;
        controller_.SetCursor(address);
        if (column == MarkColumn) MarginClick(row);
    });
}

// F9 on a chosen source line sets the breakpoint by its line, as the
// margin does, rather than by the address the windows' F9 takes.
bool TToolsSource::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F9 && RowAddress(table_->currentRow())) {
        event->accept();
        if (event->type() == QEvent::KeyPress) MarginClick(table_->currentRow());
        return true;
    }
    return TToolsTab::eventFilter(watched, event);
}

// On a source line a new breakpoint is set by the line, so that a reload
// finds it again where the line's words went.
void TToolsSource::MarginClick(int row) {
    const uint16_t address = *RowAddress(row);
    DebugSession& session = controller_.Session();
    const std::string& line = lines_[static_cast<size_t>(row)];
    if (line.empty() || session.Breakpoints.Find(address)) {
        controller_.ToggleBreakpointAt(address);
        return;
    }
    std::string problem;
    if (!AddBreakpointAt(session, line, problem)) {
        controller_.SetStatus(QString::fromStdString(problem));
        return;
    }
    controller_.SetStatus(QStringLiteral("Breakpoint set at ") + QString::fromStdString(line));
    controller_.Changed();
}

void TToolsSource::ShowFile(const QString& name) {
    chosen_ = name;
    Refresh();
}

void TToolsSource::SetSourceFolder(const std::filesystem::path& folder) {
    folder_ = folder;
    texts_ = SourceTexts(folder);
    Refresh();
}

std::optional<uint16_t> TToolsSource::RowAddress(int row) const {
    if (row < 0 || row >= static_cast<int>(addresses_.size())) return std::nullopt;
    return addresses_[static_cast<size_t>(row)];
}

void TToolsSource::AddRow(const QString& mark, const QString& where, const QString& text, std::optional<uint16_t> address,
                          const std::string& line) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, MarkColumn, ToolsCell(mark));
    table_->setItem(row, WhereColumn, ToolsCell(where));
    table_->setItem(row, TextColumn, ToolsCell(text));
    addresses_.push_back(address);
    lines_.push_back(line);
}

void TToolsSource::Refresh() {
    const SourceMap& lines = controller_.Session().Lines;
    fileBox_->clear();
    for (const std::string& file : lines.Files()) fileBox_->addItem(QString::fromStdString(file));
    fileBox_->addItem(QStringLiteral("Listing"));
    // PC's file unless the user chose another.
    const SourceLineRow* pc = lines.LineAt(controller_.GetMachine().Cpu.PC);
    const int wanted = chosen_.isEmpty() ? -1 : fileBox_->findText(chosen_);
    fileBox_->setCurrentIndex(wanted >= 0 ? wanted
                              : pc        ? fileBox_->findText(QString::fromStdString(pc->File))
                                          : fileBox_->count() - 1);
    table_->setRowCount(0);
    addresses_.clear();
    lines_.clear();
    pcRow_ = -1;
    if (fileBox_->currentIndex() < fileBox_->count() - 1) {
        FillSource(fileBox_->currentText().toStdString());
    } else {
        FillListing();
    }
    table_->resizeColumnToContents(MarkColumn);
    table_->resizeColumnToContents(WhereColumn);
    if (pcRow_ >= 0) {
        for (int column = 0; column < table_->columnCount(); ++column) {
            table_->item(pcRow_, column)->setBackground(QColor::fromRgb(PcRowColour));
        }
        // Lines before PC stay on view above it.
        table_->scrollToItem(table_->item(pcRow_, 0), QAbstractItemView::PositionAtCenter);
    }
}

void TToolsSource::FillSource(const std::string& file) {
    const SourceMap& lines = controller_.Session().Lines;
    const uint16_t pc = controller_.GetMachine().Cpu.PC;
    const BreakpointList& breakpoints = controller_.Session().Breakpoints;
    std::string problem;
    const std::vector<std::string>* text = texts_.Lines(file, &problem);
    if (!text) {
        controller_.SetStatus(QString::fromStdString(problem) + QStringLiteral(" (Folder... says where the sources are)"));
        return;
    }
    for (size_t i = 0; i < text->size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const std::vector<uint16_t> words = lines.AddressesOf(file, line);
        bool onPc = false;
        bool marked = false;
        for (const uint16_t word : words) {
            onPc = onPc || word == pc;
            marked = marked || breakpoints.Find(word).has_value();
        }
        if (onPc) pcRow_ = static_cast<int>(i);
        AddRow(marked ? BreakpointMark : onPc ? PcMark : QString(), QString::number(line),
               QString::fromStdString((*text)[i]), lines.BreakAddressOf(file, line), file + ":" + std::to_string(line));
    }
}

void TToolsSource::FillListing() {
    const Machine& m = controller_.GetMachine();
    const bool withSource = sourceAbove_->isChecked();
    const BreakpointList& breakpoints = controller_.Session().Breakpoints;
    const auto top = static_cast<uint16_t>(m.Cpu.PC - std::min<int>(m.Cpu.PC, ListingBefore));
    const SourceLineRow* last = nullptr;
    for (const ListingRow& listed : WalkNamedListing(m, top, ListingRows, controller_.Session().Names())) {
        const ListingLine& line = listed.Line;
        if (listed.Label) {
            AddRow(QString(), QString(), QString::fromStdString(*listed.Label + ":"), line.Address);
            continue;
        }
        const SourceLineRow* place = withSource ? controller_.Session().Lines.LineAt(line.Address) : nullptr;
        if (place && (!last || place->File != last->File || place->Line != last->Line)) {
            AddRow(QString(), QString::fromStdString(place->File) + QStringLiteral(":%1").arg(place->Line),
                   QString::fromStdString(texts_.LineText(place->File, place->Line)).trimmed(), line.Address);
        }
        last = place;
        const bool onPc = line.Address == m.Cpu.PC;
        if (onPc) pcRow_ = table_->rowCount();
        const QString text = QString::fromLatin1(line.Mnemonic.data(), static_cast<qsizetype>(line.Mnemonic.size()))
                                 .leftJustified(6) +
                             QString::fromStdString(line.Operands);
        AddRow(breakpoints.Find(line.Address) ? BreakpointMark : onPc ? PcMark : QString(),
               QString::fromStdString(HexText(line.Address, 4)), text, line.Address);
    }
}

}  // namespace varnox
