#pragma once
#include "bars/CAnswerBarDlg.h"

class QCheckBox;
class QPushButton;

// The answer bar of the free drill: "<" and ">" step through the cards, the
// check box marks the card, and every change of the typed text asks the
// drill bar (its parent) to compare the spelling.
class CtestInputDlg : public CAnswerBarDlg {
    Q_OBJECT
public:
    CtestInputDlg();

    QPushButton* m_prevButton;
    QPushButton* m_nextButton;
    QCheckBox* m_markCheck;

protected:
    void ShowButtons(bool shown) override;
    QPushButton* DefaultButton() const override { return m_nextButton; }

private:
    void OnNext();
    void OnPrev();
    void OnAnswerChanged();
};
