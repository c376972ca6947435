#pragma once
#include "maindlg/CmainDlg.h"


#include "maindlg/StartRange.h"
#include "res/Texts.h"
#include "platform/WinMessages.h"
#include "bars/CtestInputDlg.h"
#include "drill/CKadoDlg.h"
#include "history/ChistoryDlg.h"
#include "history/CshowHistoryDlg.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/WordStore.h"
#include "support/ModalRun.h"
#include "support/ScriptedModal.h"
#include "support/TestDatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace main_dialog_test {

using Rows = std::vector<std::vector<std::string>>;

// The dialog's own texts, as its boxes and its count label show them.
const QString kOutOfRange = QString::fromUtf8(kSelectionOutOfRangeText);
const QString kZeroWords = QString::fromUtf8(kZeroWordsSelectedText);
const QString kEmpty = QString::fromUtf8(kWordListEmptyText);
const QString kNoSuchList = QString::fromUtf8(kNoSuchWordListText);
const QString kWaitText = QString::fromUtf8(CmainDlg::kWaitForLoadText);
const QString kLoadingText = QString::fromUtf8(CmainDlg::kLoadingText);

// What the drill bar was given when its modal run started.
struct DrillRun {
    const CKadoDlg* bar = nullptr;
    int mode = -1;
    std::string listName;
    std::vector<std::string> words;
    int levelFilter = -1;
    bool mainDialogVisible = true;
};

struct BrowserRun {
    std::string listName;
    int wordCount = -1;
};

// A save.db, the registry, scripted boxes and one main dialog whose drill
// bar and statistics browser only record their runs.
class MainDialogHarness {
public:
    explicit MainDialogHarness(bool loaded = true)
    {
        if (loaded) {
            TestDatabase::LoadBuiltinRegistry();
            listsLoaded.store(true, std::memory_order_release);
            controlLoaded.store(true, std::memory_order_release);
        }
        modal.SetDialogHandler([this](CDialog& dialog, const std::function<int()>& runModal) {
            if (auto* bar = qobject_cast<CKadoDlg*>(&dialog)) {
                drillRuns.push_back({bar, bar->m_mode, bar->m_listName, PassWords(*bar), bar->m_levelFilter,
                                     dlg.isVisible()});
                return realDrills ? runModal() : int(ModalSeam::IDOK);
            }
            if (qobject_cast<ChistoryDlg*>(&dialog))
                return resultDialogAnswer;
            if (auto* browser = qobject_cast<CshowHistoryDlg*>(&dialog)) {
                browserRuns.push_back({browser->m_listName, browser->m_wordCount});
                return int(ModalSeam::IDOK);
            }
            return runModal();
        });
    }

    // The list as if an earlier run had drilled it: control row, table, range.
    void MakeListed(const std::string& name, int beg, int end)
    {
        WordListState* list = FindWordList(name);
        ASSERT_NE(list, nullptr);
        list->listed.store(true);
        list->beg = beg;
        list->end = end;
        db.Exec("INSERT INTO control VALUES('" + name + "', " + std::to_string(beg) + ", " + std::to_string(end) +
                ")");
        db.Exec(FormatStatement(sql::kCreateTable, name.c_str()).text);
    }

    // Runs the dialog modally; `script` acts on it once it is up. Whatever
    // the script leaves open is cancelled, unless it schedules its own ending.
    int Run(const std::function<void()>& script, bool cancelAfterScript = true)
    {
        const int result = RunModal(dlg, script, cancelAfterScript ? LeftOpen::Cancelled : LeftOpen::Stays);
        WaitForListSync();
        return result;
    }

    QPushButton* Button(const char* name) { return dlg.findChild<QPushButton*>(name); }
    QLineEdit* Edit(const char* name) { return dlg.findChild<QLineEdit*>(name); }
    QListWidget* ListBox() { return dlg.findChild<QListWidget*>("wordListBox"); }
    QComboBox* Combo(const char* name) { return dlg.findChild<QComboBox*>(name); }
    QString CountText() { return dlg.findChild<QLabel*>("countLabel")->text(); }
    QTimer* PreloadTimer() { return dlg.findChild<QTimer*>(QStringLiteral("preloadTimer")); }

    void ClickList(const QString& name)
    {
        QListWidget* list = ListBox();
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        list->scrollToItem(items[0]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    }

    // Digits are typed; anything else is set directly, since the digit
    // filter would swallow it yet the range check must hold for any text.
    void Type(const char* name, const std::string& text)
    {
        QLineEdit* edit = Edit(name);
        if (text.find_first_not_of("0123456789") != std::string::npos) {
            edit->setText(QString::fromStdString(text));
            return;
        }
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromStdString(text));
    }

    void ClickStart() { QTest::mouseClick(Button("startButton"), Qt::LeftButton); }

    std::vector<std::string> Words(const std::string& name, int first, int last)
    {
        std::vector<std::string> words;
        const WordListState* list = FindWordList(name);
        for (int i = first - 1; i < last && i < static_cast<int>(list->cards.size()); ++i)
            words.push_back(list->cards[i].word);
        return words;
    }

    // Every box of the main dialog: information icon, OK, the program's
    // title, owned by the main dialog.
    void ExpectBoxes(const std::vector<QString>& texts)
    {
        EXPECT_EQ(modal.Texts(), texts);
        for (const auto& box : modal.Boxes()) {
            EXPECT_EQ(box.owner, &dlg);
            EXPECT_EQ(box.icon, ModalSeam::Icon::Information);
            EXPECT_EQ(box.buttons, ModalSeam::Buttons::Ok);
            EXPECT_EQ(box.caption, QStringLiteral("Vokabo"));
        }
    }

    TestDatabase db;
    ScriptedModal modal;
    CmainDlg dlg;
    std::vector<DrillRun> drillRuns;
    std::vector<BrowserRun> browserRuns;
    // The drill bar runs for real; its result dialog answers at once.
    bool realDrills = false;
    int resultDialogAnswer = ModalSeam::IDOK;

private:
    static std::vector<std::string> PassWords(const CKadoDlg& bar)
    {
        std::vector<std::string> words;
        for (const WordCard& card : bar.m_passCards)
            words.push_back(card.word);
        return words;
    }
};

inline std::vector<QString> ItemTexts(QComboBox* combo)
{
    std::vector<QString> texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.push_back(combo->itemText(i));
    return texts;
}

} // namespace main_dialog_test
