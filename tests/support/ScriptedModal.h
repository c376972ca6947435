#pragma once
#include "platform/ModalSeam.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

// Answers message boxes and modal runs for the time it lives, and records
// every box that was asked (text, icon, buttons, owner), so a test asserts
// the whole sequence a learner would have seen.
class ScriptedModal {
public:
    ScriptedModal();
    ~ScriptedModal();

    // Boxes are answered from this queue in order; when it is empty, OK
    // boxes get IDOK and Yes/No boxes IDYES.
    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    // Called on each box before it is answered (may act on the program, e.g.
    // press a button of a bar while the box is "up"); may be empty.
    std::function<void(const ModalSeam::MessageBoxCall&)> onBox;

    // Modal runs of dialogs: the handler decides; unset means the real run.
    void SetDialogHandler(ModalSeam::DialogHandler handler);

    const std::vector<ModalSeam::MessageBoxCall>& Boxes() const { return m_boxes; }
    std::vector<QString> Texts() const;
    void Clear() { m_boxes.clear(); }

private:
    std::deque<int> m_answers;
    std::vector<ModalSeam::MessageBoxCall> m_boxes;
};
