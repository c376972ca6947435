#include "app/SharedValues.h"

QPointer<QWidget> BarWindow;
