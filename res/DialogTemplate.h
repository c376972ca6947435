#pragma once
#include <span>

// A dialog as its resource describes it: size and control positions in
// dialog units, texts (UTF-8) and the few style bits the program relies on.
enum class ControlKind {
    PushButton,
    DefPushButton,
    Static,
    GroupBox,
    Edit,
    AutoCheckBox,
    DropDownList, // combo box with a drop-down list only
    ListBox,
    ListView, // report-view list control
};

enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleTabStop = 1u << 0,
    kStyleNoBorder = 1u << 1,   // edits have a border unless this is set
    kStyleDigitsOnly = 1u << 2, // edit accepts digits only
    kStyleSorted = 1u << 3,     // list box keeps its items sorted
    kStyleCentreVertically = 1u << 4,
    kStyleAutoHScroll = 1u << 5,
};

struct ControlTemplate {
    int id;
    // The control's object name: what a reader calls it, for code and tests
    // that look for it; nullptr for a static nothing looks for.
    const char* objectName;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    unsigned style;
    // Initialisation data of combo boxes: items added in this order.
    std::span<const char* const> items = {};
    // What a screen reader calls a control that has no words of its own and
    // no label beside it, or only a sign ("<"); nullptr: its text or label.
    const char* name = nullptr;
    // A static that labels a control beside it: that control's ID, 0 for
    // none. A screen reader reads the label with the control.
    int labels = 0;
};

struct DialogTemplate {
    int id;
    const char* caption; // nullptr: a captionless pop-up
    // The Windows face; the dialog is drawn in the face installed in its
    // place (InstalledFace).
    const char* fontFace;
    int fontPointSize;
    int width, height; // dialog units
    // Pixels per dialog unit: the base units of the template's font.
    double pixelsPerUnit;
    std::span<const ControlTemplate> controls;
    // What a screen reader calls the window where its caption says nothing:
    // a captionless bar takes it as its (never drawn) title as well.
    const char* name = nullptr;
};

// The program's templates by number; nullptr for an unknown number.
const DialogTemplate* FindDialogTemplate(int id);
