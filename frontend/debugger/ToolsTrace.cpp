#include "frontend/debugger/ToolsTrace.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include <span>

#include "frontend/debugger/PaneWidgets.h"
#include "system/AtomicReplace.h"

namespace varnox {

TToolsTrace::TToolsTrace(TDebugController& controller, QWidget* parent) : TToolsTab(controller, parent) {
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(PaneFont());
    layout->addWidget(text_);
    auto* row = new QHBoxLayout();
    QPushButton* save = MakeToolsButton(QStringLiteral("Save trace..."), this);
    QPushButton* clear = MakeToolsButton(QStringLiteral("Clear"), this);
    connect(save, &QPushButton::clicked, this, &TToolsTrace::SaveClick);
    connect(clear, &QPushButton::clicked, this, [this] {
        controller_.Session().Trace.Clear();
        Refresh();
    });
    row->addWidget(save);
    row->addWidget(clear);
    row->addStretch(1);
    layout->addLayout(row);
}

void TToolsTrace::Refresh() {
    // Long; only drawn while on view.
    if (!isVisible()) return;
    const DebugSession& session = controller_.Session();
    text_->setPlainText(QString::fromStdString(session.Trace.Text(session.Names())));
    text_->moveCursor(QTextCursor::End);
}

std::optional<std::string> TToolsTrace::Save(const std::filesystem::path& file) const {
    const DebugSession& session = controller_.Session();
    const std::string text = session.Trace.Text(session.Names());
    return ReplaceFile(file, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                       OtherTargets::WriteInPlace);
}

void TToolsTrace::SaveClick() {
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Save trace"), QStringLiteral("trace.txt"),
                                                      QStringLiteral("Text (*.txt);;All files (*)"));
    if (file.isEmpty()) return;
    if (const auto failure = Save(file.toStdString())) {
        QMessageBox::warning(this, QStringLiteral("Save trace"),
                             QStringLiteral("Failed to save the file ") + file + QStringLiteral(": ") +
                                 QString::fromStdString(*failure));
        return;
    }
    controller_.SetStatus(QStringLiteral("Trace of %1 steps saved to %2").arg(controller_.Session().Trace.Size()).arg(file));
}

}  // namespace varnox
