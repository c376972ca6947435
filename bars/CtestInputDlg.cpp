#include "bars/CtestInputDlg.h"

#include "platform/WinMessages.h"
#include "bars/CEditDescendant.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kTemplate = 130;
constexpr int kNextButtonId = 1013;
constexpr int kPrevButtonId = 1014;
constexpr int kMarkCheckId = 1017;

} // namespace

CtestInputDlg::CtestInputDlg() : CAnswerBarDlg(kTemplate)
{
    m_prevButton = Item<QPushButton>(kPrevButtonId);
    m_nextButton = Item<QPushButton>(kNextButtonId);
    m_markCheck = Item<QCheckBox>(kMarkCheckId);
    // The template gives the box 8 x 8 dialog units (12 px); the style's
    // larger indicator would lose its frame there and hide the tick.
    m_markCheck->setStyleSheet(QStringLiteral("QCheckBox::indicator { width: 10px; height: 10px; }"));
    connect(m_nextButton, &QPushButton::clicked, this, &CtestInputDlg::OnNext);
    connect(m_prevButton, &QPushButton::clicked, this, &CtestInputDlg::OnPrev);
    // Every change of the text counts, also one the program makes itself,
    // and only a change: focusing or selecting the text sends nothing.
    connect(m_answerEdit, &QLineEdit::textChanged, this, &CtestInputDlg::OnAnswerChanged);
}

void CtestInputDlg::ShowButtons(bool shown)
{
    m_nextButton->setVisible(shown);
    m_prevButton->setVisible(shown);
    m_markCheck->setVisible(shown);
}

void CtestInputDlg::OnNext()
{
    SendMessage(parentWidget(), WM_DRILL_NEXT);
}

void CtestInputDlg::OnPrev()
{
    QPointer<CtestInputDlg> alive(this);
    SendMessage(parentWidget(), WM_DRILL_PREV);
    if (alive)
        m_markCheck->setChecked(false);
}

void CtestInputDlg::OnAnswerChanged()
{
    UpdateData(true);
    SendMessage(parentWidget(), WM_DRILL_SPELL);
}
