#pragma once
#include <string>

#include "platform/CDialog.h"
#include "bars/SeeThroughLook.h"

class CEditDescendant;
class QPushButton;

// What both answer bars share: the answer edit, the bar's frame and
// see-through look, dragging, the keys, and closing through the drill bar
// (the parent). The bars differ in their buttons: which ones see-through
// mode hides and which one Enter presses.
class CAnswerBarDlg : public CDialog {
    Q_OBJECT
public:
    CEditDescendant* m_answerEdit;
    std::string m_answerText;
    SeeThroughLook m_look{this};

    void SetSeeThrough(bool on);

protected:
    explicit CAnswerBarDlg(int templateId);

    // Shows or hides the buttons that see-through mode hides.
    virtual void ShowButtons(bool shown) = 0;
    // The default button, which answers Enter.
    virtual QPushButton* DefaultButton() const = 0;

    bool OnInitDialog() override;
    void DoDataExchange(bool saveAndValidate) override;
    void OnCancel() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
