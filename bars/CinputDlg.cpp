#include "bars/CinputDlg.h"

#include "platform/WinMessages.h"

#include <QPushButton>

namespace {

constexpr int kTemplate = 103;
constexpr int kOkButtonId = 1004;

} // namespace

CinputDlg::CinputDlg() : CAnswerBarDlg(kTemplate)
{
    m_okButton = Item<QPushButton>(kOkButtonId);
    connect(m_okButton, &QPushButton::clicked, this, &CinputDlg::OnOk);
}

void CinputDlg::ShowButtons(bool shown)
{
    m_okButton->setVisible(shown);
}

void CinputDlg::OnOk()
{
    UpdateData(true);
    SendMessage(parentWidget(), WM_DRILL_ANSWER);
}
