#include "dialogs/CinputDlg.h"

#include "app/WinMessages.h"
#include "dialogs/BarLook.h"
#include "history/CEditDescendant.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kTemplate = 103;
constexpr int kAnswerEditId = 1000;
constexpr int kOkButtonId = 1004;
constexpr QSize kBarSize(160, 25);

} // namespace

CinputDlg::CinputDlg() : CDialog(kTemplate)
{
    BuildControls({{kAnswerEditId, [](QWidget* parent) { return new CEditDescendant(parent); }}});
    m_answerEdit = Item<CEditDescendant>(kAnswerEditId);
    m_okButton = Item<QPushButton>(kOkButtonId);
    connect(m_okButton, &QPushButton::clicked, this, &CinputDlg::OnOk);
    InstallBarDragging(this);
}

void CinputDlg::SetSeeThrough(bool on)
{
    m_seeThrough = on;
    m_okButton->setVisible(!on);
    m_answerEdit->m_seeThrough = on;
    RefreshColours();
    m_answerEdit->update();
    update();
}

bool CinputDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetUpBarWindow(this, ScreenFractionPoint(1, 2, 1, 2), kBarSize);
    m_samplePoint = mapToGlobal(QPoint(0, 0));
    m_seeThrough = false;
    m_backBrush = QColor();
    RefreshColours();
    return true;
}

void CinputDlg::DoDataExchange(bool saveAndValidate)
{
    DDX_Text(saveAndValidate, kAnswerEditId, m_answerText);
}

// Escape would hide the bar and leave the learner without a way to answer;
// a drill is left by closing the bar.
void CinputDlg::OnCancel() {}

void CinputDlg::closeEvent(QCloseEvent* event)
{
    QPointer<CinputDlg> alive(this);
    SendMessage(parentWidget(), WM_DRILL_CLOSE);
    if (alive)
        event->accept();
}

void CinputDlg::keyPressEvent(QKeyEvent* event)
{
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // The default button answers Enter even while see-through mode hides it.
        m_okButton->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CDialog::keyPressEvent(event);
}

void CinputDlg::moveEvent(QMoveEvent* event)
{
    CDialog::moveEvent(event);
    m_samplePoint = mapToGlobal(QPoint(0, 0));
    if (m_seeThrough) {
        RefreshColours();
        update();
    }
}

void CinputDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_seeThrough)
        painter.fillRect(rect(), m_backBrush);
    else
        DrawRaisedFrame(this, painter);
}

void CinputDlg::RefreshColours()
{
    if (m_seeThrough)
        m_backBrush = SeeThroughColour(m_samplePoint);
    SetBarBackground(this, m_seeThrough ? m_backBrush : QColor());
}

void CinputDlg::OnOk()
{
    UpdateData(true);
    SendMessage(parentWidget(), WM_DRILL_ANSWER);
}
