// A small window listing every calculator key with the PC keys that hold it.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

class QTableWidget;

namespace varnox {

class TKeyMapWindow : public QWidget {
    Q_OBJECT
public:
    // `faceOf` gives the face shown on an on-screen key (null when none).
    TKeyMapWindow(QWidget* parent, const std::function<QPixmap(int key)>& faceOf);
    QTableWidget* Table() const { return table_; }

private:
    QTableWidget* table_;
};

}  // namespace varnox
