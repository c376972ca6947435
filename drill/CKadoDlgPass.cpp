// The learner's steps through a pass: next, back, answer, spell, reveal and
// mark, the box at each pass's end, and the drill's end with its write-back.
#include "drill/CKadoDlg.h"

#include "platform/ModalSeam.h"
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "bars/AnswerFocus.h"
#include "drill/CardText.h"
#include "bars/CEditDescendant.h"
#include "keyhook/KeyHook.h"
#include "store/StoreWork.h"

#include <QCheckBox>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <string_view>

namespace {

constexpr char kAskNextPass[] = "次回に行きますか。";
constexpr char kNextPass[] = "次回に行きます。";
constexpr char kDrillOver[] = "終わり！";
constexpr char kNotSaved[] = "結果を保存できませんでした。";
constexpr char kDiskFull[] = "ディスクに空きがありません。";
constexpr char kFileInUse[] = "save.db がほかのプログラムに使われています。";
constexpr char kFileReadOnly[] = "save.db に書き込めません（読み取り専用）。";
constexpr char kOtherCause[] = "原因: %1";
constexpr char kKeptForLater[] = "結果は覚えておき、次のスタートか終了の時にもう一度保存します。";

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
        why = QString::fromUtf8(kDiskFull);
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        why = QString::fromUtf8(kFileInUse);
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        why = QString::fromUtf8(kFileReadOnly);
        break;
    default:
        why = QString::fromUtf8(kOtherCause).arg(QString::fromUtf8(sqlite3_errstr(cause)));
        break;
    }
    return QString::fromUtf8(kNotSaved) + u'\n' + why + u'\n' + QString::fromUtf8(kKeptForLater);
}

} // namespace

void CKadoDlg::LeaveCard()
{
    if (m_freeAnswerBar && m_freeAnswerBar->m_markCheck->isChecked()) {
        const std::string word = m_passCards[m_current].word;
        m_knownWords.insert(word);
        const auto known = std::find_if(m_nextPassCards.begin(), m_nextPassCards.end(),
                                        [&word](const WordCard& card) { return card.word == word; });
        if (known != m_nextPassCards.end())
            m_nextPassCards.erase(known);
    }
    m_judged = false;
    m_revealed = m_mode != kFree;
}

void CKadoDlg::StepToCard()
{
    if (m_knownWords.contains(m_passCards[m_current].word)) {
        m_judged = true;
        m_judgement = kKnown;
    }
    ShowCard();
    if (m_freeAnswerBar) {
        FocusAnswerEdit(m_freeAnswerBar->m_answerEdit);
        m_freeAnswerBar->m_markCheck->setChecked(false);
    }
}

void CKadoDlg::OnNext()
{
    if (!FreeMode() || PastLastCard())
        return;
    LeaveCard();
    ++m_current;
    ++m_position;
    if (PastLastCard()) {
        OffKeyHook();
        const int answer = ShowBox(this, kAskNextPass, ModalSeam::Icon::Question, ModalSeam::Buttons::YesNo);
        OnKeyHook();
        // The answer bar stays usable while the box is up; closing it ended the drill.
        if (!m_running)
            return;
        if (answer == ModalSeam::IDYES) {
            for (const WordCard& card : m_passCards)
                ++m_wordCounts[card.word];
            m_passCards = m_nextPassCards;
            m_nextPassCards = m_passCards;
            m_position = 1;
            m_current = 0;
        } else {
            --m_current;
            --m_position;
        }
        if (m_passCards.empty()) {
            EndDrill();
            return;
        }
    }
    StepToCard();
}

void CKadoDlg::OnAnswer()
{
    if (m_mode != kTest || PastLastCard())
        return;
    m_revealed = true;
    if (m_awaitingAnswer) {
        const WordCard& card = m_passCards[m_current];
        ++m_wordCounts[card.word];
        m_awaitingAnswer = false;
        m_judged = true;
        const std::string typed = m_testAnswerBar ? m_testAnswerBar->m_answerText : std::string();
        if (SameSpelling(typed, card.word)) {
            m_judgement = kRight;
        } else {
            m_judgement = kWrong;
            m_nextPassCards.push_back(card);
        }
        ShowCard();
        return;
    }

    ++m_position;
    m_awaitingAnswer = true;
    m_judged = false;
    m_revealed = false;
    ++m_current;
    if (PastLastCard()) {
        if (m_nextPassCards.empty()) {
            EndDrill();
            return;
        }
        OffKeyHook();
        ShowBox(this, kNextPass);
        OnKeyHook();
        if (!m_running)
            return;
        m_passCards = m_nextPassCards;
        m_nextPassCards.clear();
        ShuffleCards(m_passCards);
        m_position = 1;
        m_current = 0;
    }
    ShowCard();
    if (m_testAnswerBar)
        FocusAnswerEdit(m_testAnswerBar->m_answerEdit);
}

void CKadoDlg::OnPrev()
{
    // Past the last card (the end-of-pass box is up) there is no card to leave.
    if (!FreeMode() || PastLastCard() || m_current == 0)
        return;
    LeaveCard();
    --m_current;
    --m_position;
    StepToCard();
}

void CKadoDlg::OnSpell()
{
    if (!FreeMode() || PastLastCard())
        return;
    m_judged = true;
    const WordCard& card = m_passCards[m_current];
    if (m_knownWords.contains(card.word)) {
        m_judgement = kKnown;
    } else {
        const std::string typed = m_freeAnswerBar ? m_freeAnswerBar->m_answerText : std::string();
        m_judgement = SameSpelling(typed, card.word) ? kRight : kWrong;
    }
    ShowCard();
}

void CKadoDlg::OnReveal()
{
    if (PastLastCard())
        return;
    m_revealed = !m_revealed;
    ShowCard();
}

void CKadoDlg::OnMark()
{
    if (!m_freeAnswerBar || PastLastCard())
        return;
    QCheckBox* mark = m_freeAnswerBar->m_markCheck;
    if (mark->isChecked()) {
        mark->setChecked(false);
        return;
    }
    m_judgement = kKnown;
    m_judged = true;
    ShowCard();
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
    ShowBox(this, kDrillOver);
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
