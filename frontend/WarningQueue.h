// The window's warnings. Those of loading and of the menu queue up and show
// one after the other without blocking anything, each over the window of
// the program the user is in. Those of the close are
// said on stderr and then in boxes that wait for an answer, unless no one
// may be there to give it (a close asked for by a signal): then stderr alone.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <string>
#include <vector>

class QMessageBox;
class QWidget;

namespace varnox {

class TWarningQueue : public QObject {
    Q_OBJECT
public:
    explicit TWarningQueue(QWidget* window);

    void Show(const QString& text);
    // One box for many warnings, a line each, and what to do about them.
    void ShowTogether(const QStringList& lines, const QString& advice);
    void ShowAtClose(const std::vector<std::string>& messages);
    // From now on no box waits for an answer.
    void SetUnattended() { unattended_ = true; }
    // Takes down the box up and drops the queue, for good: the window goes.
    void Close();

    // The warnings not yet answered, the one up included.
    int Pending() const;
    QMessageBox* Current() const { return current_; }

private:
    void ShowNext();

    QWidget* window_;
    struct TWarning {
        QString Text;
        QString Advice;
    };
    std::deque<TWarning> queued_;
    QMessageBox* current_ = nullptr;
    bool closed_ = false;
    bool unattended_ = false;
};

}  // namespace varnox
