#include "frontend/WarningQueue.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>

namespace varnox {
namespace {

const QString Caption = QStringLiteral("Warning");

}  // namespace

TWarningQueue::TWarningQueue(QWidget* window) : window_(window) {}

void TWarningQueue::Show(const QString& text) { ShowTogether({text}, QString()); }

void TWarningQueue::ShowTogether(const QStringList& lines, const QString& advice) {
    queued_.push_back({lines.join('\n'), advice});
    if (!current_) ShowNext();
}

void TWarningQueue::ShowNext() {
    if (queued_.empty() || closed_) return;
    // Over the window the user is in (the debugger's, say), so that the
    // emulator's does not jump in front of it; else over the emulator's.
    QWidget* over = QApplication::activeWindow();
    if (!over || !over->isVisible() || over->windowType() == Qt::Popup || qobject_cast<QDialog*>(over)) over = window_;
    auto* box = new QMessageBox(QMessageBox::Warning, Caption, queued_.front().Text, QMessageBox::Ok, over);
    box->setInformativeText(queued_.front().Advice);
    queued_.pop_front();
    box->setAttribute(Qt::WA_DeleteOnClose);
    current_ = box;
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (current_ == box) current_ = nullptr;
        ShowNext();
    });
    box->open();
}

void TWarningQueue::Close() {
    closed_ = true;
    queued_.clear();
    if (QMessageBox* box = current_) {
        current_ = nullptr;
        box->disconnect(this);
        box->close();
        box->deleteLater();
    }
}

void TWarningQueue::ShowAtClose(const std::vector<std::string>& messages) {
    // Said on stderr first: a session ending with no one at the screen
    // still leaves the reason behind.
    for (const std::string& message : messages) std::fprintf(stderr, "varnox: %s\n", message.c_str());
    std::fflush(stderr);
    if (unattended_) return;
    for (const std::string& message : messages) {
        QMessageBox box(QMessageBox::Warning, Caption, QString::fromStdString(message), QMessageBox::Ok);
        box.exec();
    }
}

int TWarningQueue::Pending() const { return static_cast<int>(queued_.size()) + (current_ ? 1 : 0); }

}  // namespace varnox
