#include "frontend/debugger/ToolsMemory.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "debugger/AddressText.h"
#include "debugger/MemorySpaces.h"

namespace varnox {

TToolsMemory::TToolsMemory(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    spaceBox_ = new QComboBox(this);
    for (int i = 0; i < MemorySpaceCount; ++i) {
        spaceBox_->addItem(QString::fromLatin1(MemorySpaceName(static_cast<MemorySpace>(i)).data()));
    }
    gotoEdit_ = new QLineEdit(this);
    gotoEdit_->setPlaceholderText(QStringLiteral("go to: address or name"));
    findEdit_ = new QLineEdit(this);
    findEdit_->setPlaceholderText(QStringLiteral("find: 41 42 or \"text\""));
    QPushButton* next = MakeToolsButton(QStringLiteral("Find next"), this);
    row->addWidget(spaceBox_);
    row->addWidget(gotoEdit_, 1);
    layout->addLayout(row);
    auto* findRow = new QHBoxLayout();
    findRow->addWidget(findEdit_, 1);
    findRow->addWidget(next);
    layout->addLayout(findRow);
    hexView_ = new THexView(controller_.GetMachine(), this);
    // Its rows keep their width; a narrow window scrolls them sideways.
    auto* sideways = new QScrollArea(this);
    sideways->setWidget(hexView_);
    sideways->setWidgetResizable(true);
    sideways->setFrameShape(QFrame::NoFrame);
    sideways->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(sideways, 1);
    connect(spaceBox_, &QComboBox::currentIndexChanged, this,
            [this](int index) { hexView_->SetSpace(static_cast<MemorySpace>(index)); });
    connect(gotoEdit_, &QLineEdit::returnPressed, this, [this] { GoTo(gotoEdit_->text()); });
    connect(findEdit_, &QLineEdit::returnPressed, this, [this] { Find(findEdit_->text()); });
    connect(next, &QPushButton::clicked, this, [this] { Find(findEdit_->text()); });
    connect(hexView_, &THexView::Edited, &controller_, &TDebugController::Changed);
}

void TToolsMemory::Refresh() { hexView_->update(); }

bool TToolsMemory::GoTo(const QString& text) {
    const DebugSession& session = controller_.Session();
    const AddressValue address = ParseAddressText(text.toStdString(), session.Names());
    const MemorySpace space = hexView_->Space();
    if (!address.Address) {
        controller_.SetStatus(QString::fromStdString(address.Problem));
        return false;
    }
    // A code name in the instruction ROM is a word: three bytes each.
    const Symbol* symbol = session.Names() ? session.Symbols.Find(text.trimmed().toStdString()) : nullptr;
    const uint32_t wanted = space == MemorySpace::InstrRom && symbol && symbol->Space == SymbolSpace::Code
                                ? 3u * *address.Address
                                : *address.Address;
    const std::optional<uint32_t> offset = OffsetOfAddress(space, wanted);
    if (!offset) {
        controller_.SetStatus(
            QStringLiteral("%1 is not in the %2").arg(text, QString::fromLatin1(MemorySpaceName(space).data())));
        return false;
    }
    hexView_->ShowOffset(*offset);
    hexView_->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TToolsMemory::Find(const QString& text) {
    const SearchPattern pattern = ParseSearchPattern(text.toStdString());
    if (!pattern.Problem.empty()) {
        controller_.SetStatus(QString::fromStdString(pattern.Problem));
        return false;
    }
    const MemorySpace space = hexView_->Space();
    const std::optional<uint32_t> found = SearchMemory(controller_.GetMachine(), space, pattern.Bytes, hexView_->Cursor() + 1);
    if (!found) {
        controller_.SetStatus(QStringLiteral("Not found in the ") + QString::fromLatin1(MemorySpaceName(space).data()));
        return false;
    }
    hexView_->ShowOffset(*found);
    controller_.SetStatus(QStringLiteral("Found at ") +
                          QStringLiteral("%1").arg(ShownAddress(space, *found), 4, 16, QLatin1Char('0')).toUpper());
    return true;
}

}  // namespace varnox
