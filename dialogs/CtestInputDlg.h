#pragma once
#include <QColor>
#include <QPoint>
#include <string>

#include "app/CDialog.h"

class CEditDescendant;
class QCheckBox;
class QPushButton;

// The answer bar of the free drill: "<" and ">" step through the cards, the
// check box marks the card, and every change of the typed text asks the
// drill bar (its parent) to compare the spelling.
class CtestInputDlg : public CDialog {
    Q_OBJECT
public:
    CtestInputDlg();

    QPushButton* m_prevButton;
    QPushButton* m_nextButton;
    QCheckBox* m_markCheck;
    CEditDescendant* m_answerEdit;
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
    void OnNext();
    void OnPrev();
    void OnAnswerChanged();
};
