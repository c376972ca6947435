#pragma once

// The application object: its initialisation step runs the whole life of
// the program, from opening save.db to closing it.
class CKadoApp {
public:
    // Returns the process's exit code: 1 when save.db cannot be opened or
    // another instance runs, 0 after the main dialog has closed.
    // Ended by a signal, the process ends by that signal after cleaning up.
    int InitInstance();

private:
    int Run();
};
