#include "history/HistoryTables.h"

#include "history/CComboListCtrl.h"

#include <QApplication>
#include <QStringList>

std::int32_t LevelFromText(const QString& text)
{
    for (std::int32_t level = 1; level < kLevelCount; ++level)
        if (text == QString::fromUtf8(LevelTexts[level]))
            return level;
    return 0;
}

QString LevelText(std::int32_t level)
{
    return QString::fromUtf8(LevelTexts[level >= 1 && level < kLevelCount ? level : 0]);
}

void InsertHistoryColumns(CComboListCtrl& list)
{
    for (int i = 0; i < kHistoryColumnCount; ++i) {
        if (i == kLevelColumn)
            list.MarkComboColumn(i, true);
        else
            list.MarkReadOnlyColumn(i, true);
        list.InsertColumn(i, QString::fromUtf8(HistoryColumns[i]), kHistoryColumnWidths[i]);
    }
}

void FillLevelItems(const CComboListCtrl& list, int column, QStringList& items)
{
    items.clear();
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || column != kLevelColumn)
        return;
    const QRect listRect(list.mapToGlobal(QPoint(0, 0)), list.size());
    if (!listRect.contains(focus->mapToGlobal(QPoint(0, 0))))
        return;
    for (const char* text : LevelTexts)
        items.append(QString::fromUtf8(text));
}
