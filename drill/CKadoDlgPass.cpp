// The bar's side of a pass: the learner's steps handed to the pass rules
// with what the answer bar holds, the box at each pass's end, and the
// drill's end with its write-back.
#include "drill/CKadoDlg.h"

#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "drill/DrillTexts.h"
#include "platform/ModalSeam.h"
#include "keyhook/KeyHook.h"
#include "store/StoreWork.h"

#include <QCheckBox>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <string_view>

namespace {

int ShowBox(QWidget* owner, const char* text, ModalSeam::Icon icon = ModalSeam::Icon::Information,
            ModalSeam::Buttons buttons = ModalSeam::Buttons::Ok)
{
    return ModalSeam::MessageBox(owner, QString::fromUtf8(text), icon, buttons);
}

// The learner can do something about these three; any other cause is
// named in SQLite's own words.
QString SaveFailureText(int cause)
{
    QString why;
    switch (cause & 0xff) {
    case SQLITE_FULL:
        why = QString::fromUtf8(kDiskFullText);
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        why = QString::fromUtf8(kFileInUseText);
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        why = QString::fromUtf8(kFileReadOnlyText);
        break;
    default:
        why = QString::fromUtf8(kOtherCauseText).arg(QString::fromUtf8(sqlite3_errstr(cause)));
        break;
    }
    return QString::fromUtf8(kNotSavedText) + u'\n' + why + u'\n' + QString::fromUtf8(kKeptForLaterText);
}

} // namespace

bool CKadoDlg::MarkedKnown() const { return m_freeAnswerBar && m_freeAnswerBar->m_markCheck->isChecked(); }

void CKadoDlg::Follow(Step step)
{
    switch (step) {
    case Step::Unchanged:
        break;
    case Step::ShowCard:
        ShowCard();
        break;
    case Step::NewCard:
        StepToCard();
        break;
    case Step::PassEnded:
        Follow(AskAtPassEnd());
        break;
    case Step::DrillOver:
        EndDrill();
        break;
    }
}

// The hot keys rest while the box is up, so that none acts on the bar
// behind it.
DrillPass::Step CKadoDlg::AskAtPassEnd()
{
    OffKeyHook();
    bool goOn = true;
    if (m_mode == kTest)
        ShowBox(this, kNextPassText);
    else
        goOn = ShowBox(this, kAskNextPassText, ModalSeam::Icon::Question, ModalSeam::Buttons::YesNo) ==
               ModalSeam::IDYES;
    OnKeyHook();
    // The answer bar stays usable while the box is up; closing it ended the drill.
    if (!m_running)
        return Step::Unchanged;
    return EndPass(goOn);
}

// The next typing replaces what was typed for the card before, and the
// mark starts unticked on every card.
void CKadoDlg::StepToCard()
{
    ShowCard();
    FocusAnswerBar();
    if (m_freeAnswerBar)
        m_freeAnswerBar->m_markCheck->setChecked(false);
}

void CKadoDlg::OnNext() { Follow(Next(MarkedKnown())); }

void CKadoDlg::OnPrev() { Follow(Back(MarkedKnown())); }

void CKadoDlg::OnAnswer() { Follow(Answer(m_testAnswerBar ? m_testAnswerBar->m_answerText : std::string())); }

void CKadoDlg::OnSpell() { Follow(Spell(m_freeAnswerBar ? m_freeAnswerBar->m_answerText : std::string())); }

void CKadoDlg::OnReveal() { Follow(Reveal()); }

// The mark hot key ticks and unticks the free bar's check box.
void CKadoDlg::OnMark()
{
    if (!m_freeAnswerBar || PastLastCard())
        return;
    QCheckBox* mark = m_freeAnswerBar->m_markCheck;
    if (mark->isChecked()) {
        mark->setChecked(false);
        return;
    }
    Follow(ShowMarked());
    mark->setChecked(true);
}

void CKadoDlg::EndDrill()
{
    std::snprintf(m_resultDlg.m_listName, sizeof m_resultDlg.m_listName, "%.*s",
                  static_cast<int>(strnlen(m_listName, sizeof m_listName)), m_listName);
    SetKeyHook(0, 0, nullptr);
    // From here on the drill is finished: a session that ends while the
    // learner reads the box below still gets its counts written.
    KeepDrill(std::string_view(m_listName, strnlen(m_listName, sizeof m_listName)), m_mode == kTest,
              m_wordCounts);
    ShowBox(this, kDrillOverText);
    WriteResults();
    m_resultDlg.m_testMode = m_mode == kTest ? 1 : 0;
    m_resultDlg.m_wordCounts = &m_wordCounts;
    m_resultDlg.m_levelFilter = m_levelFilter;
    m_resultDlg.DoModal();
    EndDialog(0);
}

// Written with any drill kept from before. What cannot be written stays
// kept; the learner is told, so that a full disk is not met drill after
// drill in silence, and the result dialog follows as always.
void CKadoDlg::WriteResults()
{
    const int cause = WriteKeptDrills(MissingTables::Leave);
    if (cause == SQLITE_OK)
        return;
    std::fprintf(stderr, "vokabo: the drill's results could not be saved (%s); they are kept for the next Start or exit.\n",
                 sqlite3_errstr(cause));
    ModalSeam::MessageBox(this, SaveFailureText(cause));
}
