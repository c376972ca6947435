#pragma once
#include <QIcon>
#include <QPointer>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bars/SeeThroughLook.h"
#include "drill/DrillPass.h"
#include "platform/CDialog.h"
#include "platform/ScreenCopyWait.h"
#include "history/ChistoryDlg.h"

class CinputDlg;
class CtestInputDlg;
class QLabel;
class QPaintEvent;
class QPushButton;

// The drill bar: a small captionless bar on top of everything that shows one
// card of the drill at a time. The main dialog selects the drill's words
// into it, sets the mode and list name and runs it modally; the answer bar
// it creates, the hot keys and a second start of the program drive it with
// the WM_DRILL_* messages. Built once and reused for every drill. The rules
// of its passes are DrillPass's; the bar feeds them what its widgets hold
// and shows, asks and writes back as their steps say.
class CKadoDlg : public CDialog, public DrillPass {
    Q_OBJECT
public:
    explicit CKadoDlg(QWidget* parent = nullptr);
    ~CKadoDlg() override;

    QPushButton* m_revealButton = nullptr;
    QLabel* m_cardLabel = nullptr;
    std::string m_cardText; // CP932
    QIcon m_icon;
    // The answer bar of the running drill; the bar deletes it when its run
    // ends, and a guarded pointer never outlives it.
    QPointer<CinputDlg> m_testAnswerBar;
    QPointer<CtestInputDlg> m_freeAnswerBar;
    ChistoryDlg m_resultDlg;
    QRect m_barRect;
    QRect m_labelRect;
    bool m_minimized = false;
    // See-through mode, its sample point and brush; the card label takes
    // the colour, the bar's own palette stays for the boxes it owns.
    SeeThroughLook m_look{this, [this] { RefreshCardLook(); }};
    char m_listName[1024] = {};

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool saveAndValidate) override;
    bool event(QEvent* event) override;
    void done(int result) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Dispatch(int message);
    void OnNext();
    void OnAnswer();
    void OnPrev();
    void OnSpell();
    void OnReveal();
    void OnMark();
    void OnMinimize();
    void OnSeeThrough();
    void OnShowBar();

    void CreateAnswerBar();
    void ShowCard();
    void KeepOnScreen(bool widened);
    void RefreshCardLook();
    bool MarkedKnown() const;
    void Follow(Step step);
    Step AskAtPassEnd();
    void StepToCard();
    void FocusAnswerBar();
    void HideBars();
    void ShowBarsWithCopy(bool copied);
    void ApplySeeThrough();
    void EndDrill();
    void WriteResults();
    void EndOfRun();

    // Between OnInitDialog and the end of the modal run.
    bool m_running = false;
    // How far a long card has moved the bar left of its own place.
    int m_shiftedLeft = 0;
    // Whether one of the program's windows had the keyboard when the bars
    // hid for a screen copy.
    bool m_barsHadFocus = false;
    // Set by each run until the bar is first activated (see OnInitDialog).
    bool m_focusAnswerOnActivation = false;
    // Switching see-through on waits for the screen copy with the bars
    // hidden; drill messages of that time wait with it.
    ScreenCopyWait m_screenCopyWait;
};
