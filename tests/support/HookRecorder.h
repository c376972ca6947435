#pragma once
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QWidget>
#include <vector>

// The target of the hot-key hook: records the types of the user events it
// receives (the drill messages) and takes them.
template <typename Base = QObject>
class HookRecorder : public Base {
public:
    std::vector<int> types;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() >= QEvent::User) {
            types.push_back(event->type());
            return true;
        }
        return Base::event(event);
    }
};

// The program's own focused window: records the keys that reach it past the
// hook. The modifier keys pressed on the way are left out.
class KeyWindow : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            return;
        default:
            keys.push_back(event->key());
        }
    }
};
