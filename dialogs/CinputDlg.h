#pragma once
#include <QColor>
#include <QPoint>
#include <string>

#include "app/CDialog.h"

class CEditDescendant;
class QPushButton;

// The answer bar of the test drill: the learner types the word and presses
// "ok"; the drill bar (its parent) judges the answer.
class CinputDlg : public CDialog {
    Q_OBJECT
public:
    CinputDlg();

    CEditDescendant* m_answerEdit;
    QPushButton* m_okButton;
    std::string m_answerText;
    QPoint m_samplePoint;
    bool m_seeThrough = false;
    // The see-through background; invalid while none is chosen.
    QColor m_backBrush;

    void SetSeeThrough(bool on);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool saveAndValidate) override;
    void OnCancel() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void RefreshColours();
    void OnOk();
};
