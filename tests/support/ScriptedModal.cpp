#include "support/ScriptedModal.h"

ScriptedModal::ScriptedModal()
{
    ModalSeam::SetMessageBoxHandler([this](const ModalSeam::MessageBoxCall& call) {
        m_boxes.push_back(call);
        if (onBox)
            onBox(call);
        if (!m_answers.empty()) {
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return int(call.buttons == ModalSeam::Buttons::YesNo ? ModalSeam::IDYES : ModalSeam::IDOK);
    });
}

ScriptedModal::~ScriptedModal()
{
    ModalSeam::SetMessageBoxHandler({});
    ModalSeam::SetDialogHandler({});
}

void ScriptedModal::SetDialogHandler(ModalSeam::DialogHandler handler)
{
    ModalSeam::SetDialogHandler(std::move(handler));
}

std::vector<QString> ScriptedModal::Texts() const
{
    std::vector<QString> texts;
    for (const auto& box : m_boxes)
        texts.push_back(box.text);
    return texts;
}
