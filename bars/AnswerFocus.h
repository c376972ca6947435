#pragma once

class QLineEdit;

// Gives the answer edit the keyboard with its whole text selected, so that
// the next typing replaces the previous answer.
void FocusAnswerEdit(QLineEdit* edit);
