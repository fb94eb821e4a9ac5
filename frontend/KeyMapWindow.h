// The key map's window: every calculator key with the PC keys that hold
// it, and its editor. A click on a key's row, then a PC key, gives that PC
// key to it, or takes it off again when the key had it; a PC key taken
// from another key says so, and a key left without one is marked. Esc
// cancels a choice, or closes the window.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

#include "system/KeyMap.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace varnox {

class TKeyMapWindow : public QWidget {
    Q_OBJECT
public:
    // `faceOf` gives the face shown on an on-screen key (null when none);
    // `keys` is the map the main window reads, edited in place, and
    // `changed` is called after each change.
    TKeyMapWindow(QWidget* parent, const std::function<QPixmap(int key)>& faceOf, KeyMap& keys,
                  std::function<void()> changed);

    QTableWidget* Table() const { return table_; }
    QLabel* Status() const { return status_; }
    // The key whose row was clicked last (0: none), and whether a PC key
    // for it is awaited.
    int Current() const { return current_; }
    bool Waiting() const { return waiting_; }
    void Choose(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void Take(PcKey pcKey, const QString& name);
    void Changed(const QString& status);
    void ShowKeys();

    KeyMap& keys_;
    std::function<void()> changed_;
    QTableWidget* table_;
    QLabel* status_;
    QPushButton* clear_;
    QPushButton* restore_;
    int current_ = 0;
    bool waiting_ = false;
    int leftWithout_ = 0;  // the key a PC key was last taken from, while it has none
};

}  // namespace varnox
