#pragma once
#include "bars/CAnswerBarDlg.h"

class QPushButton;

// The answer bar of the test drill: the learner types the word and presses
// "ok"; the drill bar (its parent) judges the answer.
class CinputDlg : public CAnswerBarDlg {
    Q_OBJECT
public:
    CinputDlg();

    QPushButton* m_okButton;

protected:
    void ShowButtons(bool shown) override;
    QPushButton* DefaultButton() const override { return m_okButton; }

private:
    void OnOk();
};
