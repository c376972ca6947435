#pragma once
#include <QLineEdit>

class QInputMethodEvent;
class QKeyEvent;
class QPaintEvent;

// The answer edit of the answer bars. It refuses digits and the punctuation
// a spelling never contains as they are typed (pasted text is taken as it
// is), and draws its own sunken frame unless the bar is in see-through mode.
class CEditDescendant : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditDescendant(QWidget* parent = nullptr);

    bool m_seeThrough = false;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Text committed by an input method is typed text as well.
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
