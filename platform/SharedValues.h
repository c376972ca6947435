#pragma once
#include <QPointer>
#include <QWidget>

// The drill bar of this instance while one is open; a second start of the
// program wakes it (see InstanceGuard). Cleared whenever the bar's window
// goes, so a wake never addresses a bar that no longer exists.
extern QPointer<QWidget> BarWindow;
