#include "frontend/debugger/ToolsSource.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "debugger/Refind.h"
#include "frontend/WindowSettings.h"
#include "frontend/debugger/PaneWidgets.h"

namespace varnox {
namespace {

// Room beside a column's widest text.
constexpr int ColumnPadding = 12;
const QString ListingName = QStringLiteral("Listing");

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

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("sourceProblem"));
    problem_->setWordWrap(true);
    problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem_->hide();
    layout->addWidget(problem_);

    model_ = new TSourceModel(controller_, this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("sourceTable"));
    table_->setModel(model_);
    table_->setFont(PaneFont());
    table_->horizontalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setVisible(false);
    // Rows of one height: the view then costs what is on screen.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 2);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    layout->addWidget(table_, 1);

    connect(fileBox_, &QComboBox::activated, this, [this] {
        chosen_ = fileBox_->currentText();
        Refresh();
    });
    connect(sourceAbove_, &QCheckBox::toggled, this, [this] { Refresh(); });
    connect(into, &QPushButton::clicked, &controller_, [this] { controller_.StepLine(false); });
    connect(over, &QPushButton::clicked, &controller_, [this] { controller_.StepLine(true); });
    connect(folder, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Source folder"), QString::fromStdString(controller_.Session().Sources.Root().string()));
        if (chosen.isEmpty()) return;
        TWindowSettings::StoreSourceFolder(chosen);
        SetSourceFolder(chosen.toStdString());
    });
    // An editor may write the file anew under its name: it is watched again.
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { Refresh(); });
    table_->installEventFilter(this);
    // A click in the margin sets or clears the line's breakpoint; choosing
    // a line makes it the cursor of F4 and F9.
    connect(table_, &QTableView::pressed, this, [this](const QModelIndex& index) {
        const std::optional<uint16_t> address = RowAddress(index.row());
        if (!address) return;
        controller_.SetCursor(address);
        if (index.column() == TSourceModel::MarkColumn) MarginClick(index.row());
    });
}

// F9 on a chosen source line sets the breakpoint by its line, as the
// margin does, rather than by the address the windows' F9 takes.
bool TToolsSource::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F9 && RowAddress(table_->currentIndex().row())) {
        event->accept();
        if (event->type() == QEvent::KeyPress) MarginClick(table_->currentIndex().row());
        return true;
    }
    return TToolsTab::eventFilter(watched, event);
}

// On a source line a new breakpoint is set by the line, so that a reload
// finds it again where the line's words went.
void TToolsSource::MarginClick(int row) {
    const uint16_t address = *RowAddress(row);
    DebugSession& session = controller_.Session();
    const std::string line = model_->RowLine(row);
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
    controller_.Session().Sources = SourceTexts(folder);
    Refresh();
}

void TToolsSource::WatchShownFile(const std::string& file) {
    const QString path = file.empty() ? QString()
                                      : QString::fromStdString((controller_.Session().Sources.Root() / file).string());
    if (watcher_.files() == QStringList(path)) return;
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!path.isEmpty() && QFileInfo::exists(path)) watcher_.addPath(path);
}

void TToolsSource::Refresh() {
    DebugSession& session = controller_.Session();
    // A file edited since it was read is read again.
    session.Sources.ForgetChanged();
    const SourceMap& lines = session.Lines;
    fileBox_->clear();
    for (const std::string& file : lines.Files()) fileBox_->addItem(QString::fromStdString(file));
    fileBox_->addItem(ListingName);
    // PC's file unless the user chose another.
    const SourceLineRow* pc = lines.LineAt(controller_.GetMachine().Cpu.PC);
    const int wanted = chosen_.isEmpty() ? -1 : fileBox_->findText(chosen_);
    fileBox_->setCurrentIndex(wanted >= 0 ? wanted
                              : pc        ? fileBox_->findText(QString::fromStdString(pc->File))
                                          : fileBox_->count() - 1);
    const bool wasListing = model_->ShowsListing();
    std::string problem;
    std::string file;
    if (fileBox_->currentIndex() < fileBox_->count() - 1) {
        file = fileBox_->currentText().toStdString();
        // The tab's own trouble is said here, never over why the run stopped.
        if (!session.Sources.File(file, &problem)) {
            problem += " (Folder... says where the sources are)";
        }
        model_->ShowSource(file);
    } else {
        model_->ShowListing(sourceAbove_->isChecked());
    }
    WatchShownFile(file);
    problem_->setText(QString::fromStdString(problem));
    problem_->setVisible(!problem.empty());
    FitColumns();
    if (model_->PcRow() != scrolledTo_ || wasListing != model_->ShowsListing() || model_->ShowsListing()) scrollPending_ = true;
    if (isVisible()) ScrollToPc();
}

void TToolsSource::FitColumns() {
    const QFontMetrics metrics(table_->font());
    table_->setColumnWidth(TSourceModel::MarkColumn,
                           std::max(metrics.horizontalAdvance(QStringLiteral("\u25CF")), metrics.horizontalAdvance(QStringLiteral("\u25B6"))) +
                               ColumnPadding);
    table_->setColumnWidth(TSourceModel::WhereColumn, metrics.horizontalAdvance(model_->WidestWhere()) + ColumnPadding);
}

// Lines before PC stay on view above it. Only a view that is up can go
// there: one hidden goes when it is shown.
void TToolsSource::ScrollToPc() {
    scrollPending_ = false;
    scrolledTo_ = model_->PcRow();
    // A model made anew has its rows laid out only later: now, so that the
    // scroll bar reaches PC's row.
    table_->doItemsLayout();
    if (scrolledTo_ >= 0) table_->scrollTo(model_->index(scrolledTo_, 0), QAbstractItemView::PositionAtCenter);
}

// The layout gives the view its height after the show.
void TToolsSource::showEvent(QShowEvent* event) {
    TToolsTab::showEvent(event);
    if (scrollPending_) QTimer::singleShot(0, this, [this] { ScrollToPc(); });
}

}  // namespace varnox
