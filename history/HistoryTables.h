#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

class CComboListCtrl;

// The word tables of the result dialog and the statistics browser share
// their columns and level texts. Texts are UTF-8, as the widgets take them.
inline constexpr int kHistoryColumnCount = 5;
inline constexpr const char* HistoryColumns[kHistoryColumnCount] = {"単語", "フリー", "テスト", "誤り", "レベル"};
inline constexpr int kHistoryColumnWidths[kHistoryColumnCount] = {130, 60, 60, 60, 80};
// The level column is always the last; it is the only one with an editor.
inline constexpr int kLevelColumn = kHistoryColumnCount - 1;

// Level n shows as LevelTexts[n]; the drop-down lists them in this order.
inline constexpr int kLevelCount = 6;
inline constexpr const char* LevelTexts[kLevelCount] = {"none", "Level 1", "Level 2", "Level 3", "Level 4", "Level 5"};

// "Level 1".."Level 5" give 1..5, compared exactly; every other text is 0.
std::int32_t LevelFromText(const QString& text);
// "none" for every value outside 1..5, negative ones included.
QString LevelText(std::int32_t level);

// Marks columns 0..3 read-only and the level column as the combo column and
// inserts the five columns with their headers and widths.
void InsertHistoryColumns(CComboListCtrl& list);

// The answer both dialogs give to the list's request for drop-down items:
// the six level texts, but only for the level column and only while the
// focus lies in `list` (the request then comes from a click on it).
void FillLevelItems(const CComboListCtrl& list, int column, QStringList& items);
