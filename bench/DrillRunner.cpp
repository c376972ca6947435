#include "DrillRunner.h"

#include "BenchSupport.h"

#include "platform/CDialog.h"
#include "platform/ModalSeam.h"
#include "platform/WinMessages.h"
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "drill/CKadoDlg.h"
#include "bars/CEditDescendant.h"
#include "store/Database.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <cstring>

DrillRunner::DrillRunner()
{
    ModalSeam::SetMessageBoxHandler([](const ModalSeam::MessageBoxCall& call) {
        return call.buttons == ModalSeam::Buttons::YesNo ? int(ModalSeam::IDYES) : int(ModalSeam::IDOK);
    });
    SetStatementObserver(&DrillRunner::Observe, this);
}

DrillRunner::~DrillRunner()
{
    SetStatementObserver(nullptr, nullptr);
    ModalSeam::SetDialogHandler({});
    ModalSeam::SetMessageBoxHandler({});
}

void DrillRunner::Observe(const char* text, void* self)
{
    auto* runner = static_cast<DrillRunner*>(self);
    if (!runner->m_beginAt && std::strcmp(text, sql::kBegin) == 0) {
        runner->m_beginCpu = ThreadCpuSeconds();
        runner->m_beginAt = Clock::now();
    }
}

int DrillRunner::Run(CKadoDlg& bar, const std::function<void(CKadoDlg&)>& script)
{
    m_beginAt.reset();
    m_resultAt.reset();
    ModalSeam::SetDialogHandler([this, &bar](CDialog& dialog, const std::function<int()>& runModal) {
        if (&dialog != &bar) {
            m_resultAt = Clock::now();
            m_resultCpu = ThreadCpuSeconds();
            return int(ModalSeam::IDOK);
        }
        return runModal();
    });
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, &bar, [this, &bar, &script] {
        m_scriptStartCpu = ThreadCpuSeconds();
        m_scriptStart = Clock::now();
        script(bar);
        m_scriptEnd = Clock::now();
        m_scriptEndCpu = ThreadCpuSeconds();
        if (bar.isVisible())
            SendMessage(&bar, WM_DRILL_CLOSE);
    });
    start.start(0);
    const int result = bar.DoModal();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}

double DrillRunner::ScriptSeconds() const
{
    return std::chrono::duration<double>(m_scriptEnd - m_scriptStart).count();
}

double DrillRunner::WriteBackSeconds() const
{
    if (!m_beginAt || !m_resultAt)
        return 0;
    return std::chrono::duration<double>(*m_resultAt - *m_beginAt).count();
}

double DrillRunner::WriteBackCpuSeconds() const
{
    return m_beginAt && m_resultAt ? m_resultCpu - m_beginCpu : 0;
}

namespace {

void AnswerCards(CKadoDlg& bar, bool end)
{
    const std::size_t cards = bar.m_passCards.size();
    CinputDlg* answerBar = bar.m_testAnswerBar;
    for (std::size_t i = 0; i < cards; ++i) {
        const WordCard& card = bar.m_passCards[bar.m_current];
        answerBar->m_answerEdit->setText(QString::fromStdString(card.word));
        answerBar->m_okButton->click();
        if (end || i + 1 < cards)
            answerBar->m_okButton->click();
    }
}

} // namespace

void AnswerEveryCardRight(CKadoDlg& bar) { AnswerCards(bar, true); }

void AnswerEveryCardRightWithoutEnding(CKadoDlg& bar) { AnswerCards(bar, false); }

void MarkEveryCardKnown(CKadoDlg& bar)
{
    const std::size_t cards = bar.m_passCards.size();
    CtestInputDlg* answerBar = bar.m_freeAnswerBar;
    for (std::size_t i = 0; i < cards; ++i) {
        answerBar->m_markCheck->setChecked(true);
        answerBar->m_nextButton->click();
    }
}
