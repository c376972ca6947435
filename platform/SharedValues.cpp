#include "platform/SharedValues.h"

QPointer<QWidget> BarWindow;
