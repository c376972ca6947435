#include "dialogs/CtestInputDlg.h"

#include "app/WinMessages.h"
#include "dialogs/BarLook.h"
#include "history/CEditDescendant.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kTemplate = 130;
constexpr int kAnswerEditId = 1000;
constexpr int kNextButtonId = 1013;
constexpr int kPrevButtonId = 1014;
constexpr int kMarkCheckId = 1017;
constexpr QSize kBarSize(160, 25);

} // namespace

CtestInputDlg::CtestInputDlg() : CDialog(kTemplate)
{
    BuildControls({{kAnswerEditId, [](QWidget* parent) { return new CEditDescendant(parent); }}});
    m_prevButton = Item<QPushButton>(kPrevButtonId);
    m_nextButton = Item<QPushButton>(kNextButtonId);
    m_markCheck = Item<QCheckBox>(kMarkCheckId);
    m_answerEdit = Item<CEditDescendant>(kAnswerEditId);
    connect(m_nextButton, &QPushButton::clicked, this, &CtestInputDlg::OnNext);
    connect(m_prevButton, &QPushButton::clicked, this, &CtestInputDlg::OnPrev);
    // Every change of the text counts, also one the program makes itself,
    // and only a change: focusing or selecting the text sends nothing.
    connect(m_answerEdit, &QLineEdit::textChanged, this, &CtestInputDlg::OnAnswerChanged);
    InstallBarDragging(this);
}

void CtestInputDlg::SetSeeThrough(bool on)
{
    m_seeThrough = on;
    m_nextButton->setVisible(!on);
    m_prevButton->setVisible(!on);
    m_markCheck->setVisible(!on);
    m_answerEdit->m_seeThrough = on;
    RefreshColours();
    m_answerEdit->update();
    update();
}

bool CtestInputDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetUpBarWindow(this, ScreenFractionPoint(1, 2, 1, 2), kBarSize);
    m_samplePoint = mapToGlobal(QPoint(0, 0));
    m_seeThrough = false;
    m_backBrush = QColor();
    RefreshColours();
    return true;
}

void CtestInputDlg::DoDataExchange(bool saveAndValidate)
{
    DDX_Text(saveAndValidate, kAnswerEditId, m_answerText);
}

// Escape would hide the bar and leave the learner without a way to go on;
// a drill is left by closing the bar.
void CtestInputDlg::OnCancel() {}

void CtestInputDlg::closeEvent(QCloseEvent* event)
{
    QPointer<CtestInputDlg> alive(this);
    SendMessage(parentWidget(), WM_DRILL_CLOSE);
    if (alive)
        event->accept();
}

void CtestInputDlg::keyPressEvent(QKeyEvent* event)
{
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // The default button answers Enter even while see-through mode hides it.
        m_nextButton->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CDialog::keyPressEvent(event);
}

void CtestInputDlg::moveEvent(QMoveEvent* event)
{
    CDialog::moveEvent(event);
    m_samplePoint = mapToGlobal(QPoint(0, 0));
    if (m_seeThrough) {
        RefreshColours();
        update();
    }
}

void CtestInputDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_seeThrough)
        painter.fillRect(rect(), m_backBrush);
    else
        DrawRaisedFrame(this, painter);
}

void CtestInputDlg::RefreshColours()
{
    if (m_seeThrough)
        m_backBrush = SeeThroughColour(m_samplePoint);
    SetBarBackground(this, m_seeThrough ? m_backBrush : QColor());
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
