#pragma once
#include <QEvent>
#include <QObject>
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
