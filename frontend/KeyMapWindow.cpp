#include "frontend/KeyMapWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include "frontend/QtKeys.h"
#include "peripherals/Keyboard.h"

namespace varnox {
namespace {

constexpr int OnScreenKeys = 50;
constexpr int FaceZoom = 2;
const QColor Marked(0xFF, 0xC8, 0xC8);

QString WhereTheKeyIs(int key) {
    if (key == PrintSwitchKey) return QStringLiteral("print switch at HD");
    if (key > OnScreenKeys) return QStringLiteral("no key on the window");
    return QString();
}

QString Name(PcKey pcKey) { return QString::fromStdString(PcKeyName(pcKey)); }

QPushButton* Button(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    // Every key pressed goes to the map, Space and Enter too.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

TKeyMapWindow::TKeyMapWindow(QWidget* parent, const std::function<QPixmap(int key)>& faceOf, KeyMap& keys,
                             std::function<void()> changed)
    : QWidget(parent, Qt::Window),
      keys_(keys),
      changed_(std::move(changed)),
      table_(new QTableWidget(KeyCount, 2, this)),
      status_(new QLabel(this)),
      clear_(Button(QStringLiteral("Clear"), this)),
      restore_(Button(QStringLiteral("Default"), this)) {
    setWindowTitle(QStringLiteral("Key map"));
    setFocusPolicy(Qt::StrongFocus);
    table_->setHorizontalHeaderLabels({QStringLiteral("Calculator key"), QStringLiteral("PC keys")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setIconSize(QSize(35 * FaceZoom, 11 * FaceZoom));
    for (int key = 1; key <= KeyCount; ++key) {
        auto* calculatorKey = new QTableWidgetItem(QString::number(key));
        const QString where = WhereTheKeyIs(key);
        if (!where.isEmpty()) calculatorKey->setText(QStringLiteral("%1 (%2)").arg(key).arg(where));
        const QPixmap face = key <= OnScreenKeys ? faceOf(key) : QPixmap();
        if (!face.isNull()) {
            // Whole-number zoom without smoothing, as the window draws faces.
            calculatorKey->setIcon(face.scaled(face.size() * FaceZoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        }
        table_->setItem(key - 1, 0, calculatorKey);
        table_->setItem(key - 1, 1, new QTableWidgetItem());
        if (key > LastMappedKey) {
            for (int column = 0; column < 2; ++column) table_->item(key - 1, column)->setFlags(Qt::ItemIsEnabled);
        }
    }
    ShowKeys();
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) { Choose(row + 1); });

    status_->setWordWrap(true);
    status_->setText(QStringLiteral("Click a key, then press the PC key for it."));
    auto* resetAll = Button(QStringLiteral("Reset all to defaults"), this);
    auto* close = Button(QStringLiteral("Close"), this);
    connect(clear_, &QPushButton::clicked, this, [this] {
        keys_.Clear(current_);
        Changed(QStringLiteral("Key %1 has no PC key now.").arg(current_));
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        keys_.RestoreDefault(current_);
        Changed(QStringLiteral("Key %1 has its default PC keys.").arg(current_));
    });
    connect(resetAll, &QPushButton::clicked, this, [this] {
        keys_ = KeyMap();
        Changed(QStringLiteral("Every key has its default PC keys."));
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {clear_, restore_, resetAll, close}) buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    Choose(0);
    resize(std::max(table_->columnWidth(0) + 200, 420), 560);
}

void TKeyMapWindow::Choose(int key) {
    current_ = key >= FirstMappedKey && key <= LastMappedKey ? key : 0;
    waiting_ = current_ != 0;
    clear_->setEnabled(waiting_);
    restore_->setEnabled(waiting_);
    if (!current_) {
        table_->clearSelection();
        if (key == PrintSwitchKey) status_->setText(QStringLiteral("Key 53 is the print switch: the mouse moves it."));
        return;
    }
    table_->selectRow(current_ - 1);
    status_->setText(QStringLiteral("Key %1: press the PC key for it (Esc: cancel).").arg(current_));
}

bool TKeyMapWindow::focusNextPrevChild(bool) {
    return false;  // Tab is a key to show in the map, not a move between buttons
}

void TKeyMapWindow::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_Escape) {
        if (!waiting_) {
            close();
            return;
        }
        waiting_ = false;
        status_->setText(QStringLiteral("Key %1 keeps its PC keys.").arg(current_));
        return;
    }
    if (!waiting_) return;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        status_->setText(QStringLiteral("Keys with Ctrl, Alt or Meta are the menu's shortcuts: press a key alone."));
        return;
    }
    PcKey pcKey = PcKeyOfCode(VirtualKeyOf(event->key()));
    if (pcKey == 0 && event->text().size() == 1) pcKey = PcKeyOfCharacter(event->text().at(0).unicode());
    if (pcKey == 0) {
        status_->setText(QStringLiteral("That key cannot hold a calculator key: press another."));
        return;
    }
    Take(pcKey, Name(pcKey));
}

void TKeyMapWindow::Take(PcKey pcKey, const QString& name) {
    if (const auto use = ReservedUse(pcKey)) {
        status_->setText(QStringLiteral("%1 %2: press another key.").arg(name, QString::fromStdString(*use)));
        return;
    }
    waiting_ = false;
    // Pressed again for the key it holds, a PC key comes off it: each of a
    // key's PC keys (Backspace and Delete on DEL) changes on its own.
    if (keys_.KeyOf(pcKey) == current_) {
        keys_.Unbind(pcKey);
        QString status = QStringLiteral("%1 no longer holds key %2.").arg(name).arg(current_);
        if (keys_.PcKeysOf(current_).empty()) {
            status += QStringLiteral(" Key %1 has no PC key now.").arg(current_);
            leftWithout_ = current_;
        }
        Changed(status);
        return;
    }
    const int before = keys_.Bind(pcKey, current_);
    QString status = QStringLiteral("%1 now holds key %2.").arg(name).arg(current_);
    if (before != 0) {
        status = QStringLiteral("%1 held key %2; now it holds key %3.").arg(name).arg(before).arg(current_);
        if (keys_.PcKeysOf(before).empty()) {
            status += QStringLiteral(" Key %1 has no PC key now.").arg(before);
            leftWithout_ = before;
        }
    }
    Changed(status);
}

void TKeyMapWindow::Changed(const QString& status) {
    status_->setText(status);
    if (leftWithout_ && !keys_.PcKeysOf(leftWithout_).empty()) leftWithout_ = 0;
    ShowKeys();
    if (changed_) changed_();
}

void TKeyMapWindow::ShowKeys() {
    for (int key = 1; key <= KeyCount; ++key) {
        QStringList names;
        for (const std::string& name : keys_.PcKeyNamesOf(key)) names << QString::fromStdString(name);
        QTableWidgetItem* item = table_->item(key - 1, 1);
        item->setText(names.isEmpty() ? QStringLiteral("-") : names.join(QStringLiteral(", ")));
        item->setBackground(key == leftWithout_ ? QBrush(Marked) : QBrush());
    }
}

}  // namespace varnox
