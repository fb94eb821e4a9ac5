// The PC key of each key of the face, written above the key in letters
// that read at 1x, as the key map has it now (KeyHint).
#pragma once

#include <QWidget>

#include <vector>

namespace varnox {

class KeyMap;
class TViewSize;

// One hint: its text right-aligned in its place, in a size that follows
// the place's, so it scales with the face.
class TKeyHint : public QWidget {
public:
    explicit TKeyHint(QWidget* parent);
    void SetText(const QString& text);
    const QString& Text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

class TKeyHints {
public:
    // Places a hint above each of the face's keys.
    TKeyHints(TViewSize& view, QWidget* face);
    void Show(const KeyMap& map);
    TKeyHint* Hint(int key) const { return hints_.at(key - 1); }

private:
    std::vector<TKeyHint*> hints_;
};

}  // namespace varnox
