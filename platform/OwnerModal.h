#pragma once

class QDialog;
class QWidget;

// Runs `dialog` until it finishes, blocking input to `owner` alone. Qt's
// window-modality also blocks the owner's other owned windows, but while
// the drill bar asks or shows its results the answer bar beside it must stay
// usable, as it always has. Returns the dialog's result.
int RunOwnerModal(QDialog& dialog, QWidget* owner);
