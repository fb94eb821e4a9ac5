#include "frontend/KeyMapWindow.h"

#include <QHeaderView>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include "peripherals/Keyboard.h"
#include "system/KeyMap.h"

namespace varnox {
namespace {

constexpr int OnScreenKeys = 50;
constexpr int FaceZoom = 2;

QString WhereTheKeyIs(int key) {
    if (key == PrintSwitchKey) return QStringLiteral("print switch at HD");
    if (key > OnScreenKeys) return QStringLiteral("no key on the window");
    return QString();
}

}  // namespace

TKeyMapWindow::TKeyMapWindow(QWidget* parent, const std::function<QPixmap(int key)>& faceOf)
    : QWidget(parent, Qt::Window), table_(new QTableWidget(KeyCount, 2, this)) {
    setWindowTitle(QStringLiteral("Key map"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Calculator key"), QStringLiteral("PC keys")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
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
        QStringList names;
        for (const std::string& name : PcKeysOf(key)) names << QString::fromStdString(name);
        table_->setItem(key - 1, 0, calculatorKey);
        table_->setItem(key - 1, 1, new QTableWidgetItem(names.isEmpty() ? QStringLiteral("-") : names.join(", ")));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    resize(table_->columnWidth(0) + 160, 480);
}

}  // namespace varnox
