// The dialog resources of the program: numbers, control IDs, texts and
// positions in dialog units, as the templates have always had them.
#include "res/DialogTemplate.h"

#include <string_view>

namespace {

// "MS Gothic" 9 has base units of 1.5 pixels per dialog unit, "System" 10 of 2.
constexpr double kGothic9 = 1.5;
constexpr double kSystem10 = 2.0;

// The names that screen readers give the controls without a label, and the
// captionless bars, are in the learner's Japanese. A label beside a control
// names it by the label's own text.
constexpr char kAnswerBarName[] = "解答";
constexpr char kAnswerEditName[] = "英単語";

// 102: the drill bar.
constexpr ControlTemplate kDrillBar[] = {
    {1002, "revealButton", ControlKind::DefPushButton, "?", 2, 1, 9, 14, kStyleTabStop, {}, "単語と意味を切り替え"},
    {1005, "cardLabel", ControlKind::Static, "jp", 14, 2, 96, 13, kStyleCentreVertically},
};

// 103: the test answer bar.
constexpr ControlTemplate kTestAnswerBar[] = {
    {1000, "answerEdit", ControlKind::Edit, "", 6, 2, 82, 12, kStyleAutoHScroll | kStyleTabStop | kStyleNoBorder, {},
     kAnswerEditName},
    {1004, "okButton", ControlKind::DefPushButton, "ok", 90, 1, 11, 14, kStyleTabStop},
};

// 130: the preview and free answer bar.
constexpr ControlTemplate kFreeAnswerBar[] = {
    {1000, "answerEdit", ControlKind::Edit, "", 2, 2, 70, 12, kStyleAutoHScroll | kStyleTabStop | kStyleNoBorder, {},
     kAnswerEditName},
    {1017, "markCheck", ControlKind::AutoCheckBox, "", 73, 4, 8, 8, kStyleTabStop, {}, "覚えた"},
    {1014, "prevButton", ControlKind::PushButton, "<", 82, 2, 8, 12, kStyleTabStop, {}, "前の単語"},
    {1013, "nextButton", ControlKind::DefPushButton, ">", 92, 2, 8, 12, kStyleTabStop, {}, "次の単語"},
};

// 129: the main dialog.
constexpr const char* kModeItems[] = {"プレビュー", "フリー", "テスト"};
constexpr const char* kLevelItems[] = {"全部", "1", "2", "3", "4", "5"};
constexpr ControlTemplate kMainDialog[] = {
    {1010, "startButton", ControlKind::DefPushButton, "スタート", 75, 99, 39, 11, kStyleTabStop},
    {1011, "modeCombo", ControlKind::DropDownList, "", 109, 25, 49, 43, kStyleTabStop, kModeItems},
    {-1, nullptr, ControlKind::Static, "モード", 76, 27, 27, 8, kStyleNone, {}, nullptr, 1011},
    {1022, "wordListBox", ControlKind::ListBox, "", 7, 0, 58, 117, kStyleSorted | kStyleTabStop, {}, "単語リスト"},
    {2, "cancelButton", ControlKind::PushButton, "キャンセル", 119, 99, 45, 11, kStyleTabStop},
    {-1, nullptr, ControlKind::GroupBox, "", 70, 0, 99, 117, kStyleNone, {}, "設定"},
    {1026, "firstEdit", ControlKind::Edit, "", 75, 54, 25, 12, kStyleDigitsOnly | kStyleAutoHScroll | kStyleTabStop},
    {1027, "lastEdit", ControlKind::Edit, "", 121, 54, 23, 12, kStyleDigitsOnly | kStyleAutoHScroll | kStyleTabStop},
    {-1, nullptr, ControlKind::Static, "から", 103, 55, 18, 8, kStyleNone, {}, nullptr, 1026},
    {-1, nullptr, ControlKind::Static, "まで", 148, 55, 17, 8, kStyleNone, {}, nullptr, 1027},
    {-1, nullptr, ControlKind::Static, "単語数", 76, 41, 25, 8, kStyleNone, {}, nullptr, 1028},
    {1028, "countLabel", ControlKind::Static, "", 106, 41, 34, 8, kStyleNone},
    {1013, "levelCombo", ControlKind::DropDownList, "", 109, 69, 35, 38, kStyleTabStop, kLevelItems},
    {-1, nullptr, ControlKind::Static, "レベル", 75, 71, 25, 8, kStyleNone, {}, nullptr, 1013},
    {1025, "historyButton", ControlKind::PushButton, "履歴を表示", 88, 9, 58, 12, kStyleTabStop},
    {1032, "spellCheck", ControlKind::AutoCheckBox, "スペルチェック", 76, 84, 70, 10, kStyleTabStop},
};

// 134: the drill result dialog.
constexpr ControlTemplate kResultDialog[] = {
    {1033, "resultList", ControlKind::ListView, "", 7, 7, 203, 97, kStyleTabStop, {}, "今回の単語"},
    {1, "okButton", ControlKind::DefPushButton, "OK", 173, 113, 37, 9, kStyleTabStop},
};

// 135: the statistics browser.
constexpr ControlTemplate kStatisticsBrowser[] = {
    {1033, "historyList", ControlKind::ListView, "", 7, 7, 202, 97, kStyleTabStop, {}, "単語の履歴"},
    {1025, "prevButton", ControlKind::PushButton, "Prev", 12, 107, 20, 9, kStyleTabStop},
    {-1, nullptr, ControlKind::Static, "page:", 34, 107, 19, 8, kStyleNone, {}, nullptr, 1035},
    {1035, "pageEdit", ControlKind::Edit, "", 56, 106, 14, 11, kStyleAutoHScroll | kStyleTabStop},
    {-1, nullptr, ControlKind::Static, "/", 73, 107, 8, 8, kStyleNone},
    {1034, "pageCountLabel", ControlKind::Static, "", 79, 107, 8, 8, kStyleNone},
    {1026, "nextButton", ControlKind::PushButton, "Next", 91, 107, 20, 9, kStyleTabStop},
    {1037, "queryButton", ControlKind::DefPushButton, "Query", 45, 118, 37, 9, kStyleTabStop},
    {1036, "saveButton", ControlKind::PushButton, "Save", 133, 118, 37, 9, kStyleTabStop},
    {1, "okButton", ControlKind::PushButton, "OK", 172, 118, 37, 9, kStyleTabStop},
};

constexpr DialogTemplate kTemplates[] = {
    {102, nullptr, "MS Gothic", 9, 117, 21, kGothic9, kDrillBar, "単語カード"},
    {103, nullptr, "MS Gothic", 9, 103, 20, kGothic9, kTestAnswerBar, kAnswerBarName},
    {129, "Vokabo", "System", 10, 177, 124, kSystem10, kMainDialog},
    {130, nullptr, "MS Gothic", 9, 105, 19, kGothic9, kFreeAnswerBar, kAnswerBarName},
    {134, "", "System", 10, 217, 129, kSystem10, kResultDialog, "結果"},
    {135, "", "System", 10, 216, 134, kSystem10, kStatisticsBrowser, "履歴"},
};

// A name found twice in one dialog would hand whoever looks for the second
// control the first one.
constexpr bool ObjectNamesDistinct()
{
    for (const DialogTemplate& dialogTemplate : kTemplates)
        for (std::size_t i = 0; i < dialogTemplate.controls.size(); ++i)
            for (std::size_t j = i + 1; j < dialogTemplate.controls.size(); ++j) {
                const char* a = dialogTemplate.controls[i].objectName;
                const char* b = dialogTemplate.controls[j].objectName;
                if (a && b && std::string_view(a) == b)
                    return false;
            }
    return true;
}
static_assert(ObjectNamesDistinct());

} // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate& dialogTemplate : kTemplates)
        if (dialogTemplate.id == id)
            return &dialogTemplate;
    return nullptr;
}
