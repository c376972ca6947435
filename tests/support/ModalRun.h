#pragma once
#include <functional>

class CDialog;

// What a modal run does with a dialog that its steps left open.
enum class LeftOpen {
    Fails,     // the steps were to end it: a failure, and it is cancelled
    Cancelled, // cancelled quietly
    Stays,     // the steps scheduled their own ending
};

// Runs `dialog` modally; `steps` act on it once it is up and active, as a
// learner would find it. Whatever the steps leave open is handled as
// `leftOpen` says, so a failing check cannot hang the test. Steps that never
// ran (the dialog ended while it was being set up) are a failure, and are
// never run later.
int RunModal(CDialog& dialog, const std::function<void()>& steps, LeftOpen leftOpen = LeftOpen::Fails);
