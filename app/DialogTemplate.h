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
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    unsigned style;
    // Initialisation data of combo boxes: items added in this order.
    std::span<const char* const> items = {};
};

struct DialogTemplate {
    int id;
    const char* caption; // nullptr: a captionless pop-up
    const char* fontFace;
    int fontPointSize;
    int width, height; // dialog units
    // Pixels per dialog unit: the base units of the template's font.
    double pixelsPerUnit;
    std::span<const ControlTemplate> controls;
};

// The program's templates by number; nullptr for an unknown number.
const DialogTemplate* FindDialogTemplate(int id);
