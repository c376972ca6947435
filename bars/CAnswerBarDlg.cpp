#include "bars/CAnswerBarDlg.h"

#include "platform/WinMessages.h"
#include "bars/BarLook.h"
#include "bars/CEditDescendant.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kAnswerEditId = 1000;
constexpr QSize kBarSize(160, 25);

} // namespace

CAnswerBarDlg::CAnswerBarDlg(int templateId) : CDialog(templateId)
{
    BuildControls({{kAnswerEditId, [](QWidget* parent) { return new CEditDescendant(parent); }}});
    m_answerEdit = Item<CEditDescendant>(kAnswerEditId);
    InstallBarDragging(this);
}

void CAnswerBarDlg::SetSeeThrough(bool on)
{
    m_look.SetSeeThrough(on);
    ShowButtons(!on);
    m_answerEdit->m_seeThrough = on;
    m_look.Refresh();
    m_answerEdit->update();
}

bool CAnswerBarDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetUpBarWindow(this, ScreenFractionPoint(1, 2, 1, 2), kBarSize);
    m_look.Reset();
    return true;
}

void CAnswerBarDlg::DoDataExchange(bool saveAndValidate)
{
    DDX_Text(saveAndValidate, kAnswerEditId, m_answerText);
}

// Escape would hide the bar and leave the learner without a way to answer
// or go on; a drill is left by closing the bar.
void CAnswerBarDlg::OnCancel() {}

void CAnswerBarDlg::closeEvent(QCloseEvent* event)
{
    QPointer<CAnswerBarDlg> alive(this);
    SendMessage(parentWidget(), WM_DRILL_CLOSE);
    if (alive)
        event->accept();
}

void CAnswerBarDlg::keyPressEvent(QKeyEvent* event)
{
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // The default button answers Enter even while see-through mode hides it.
        DefaultButton()->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CDialog::keyPressEvent(event);
}

void CAnswerBarDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_look.Paint(painter);
}
