#pragma once
#include <QValidator>

// The check of a digits-only edit: ASCII digits, any number of them, none
// at all included. Anything else typed or pasted is refused whole.
class DigitsValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override;
};
