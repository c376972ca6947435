// Shows the program's own windows as a learner meets them, for a test that
// reads them the way a screen reader does, over the AT-SPI bus. Prints
// "shown" once they are up and runs until killed.
//
//   a11y_windows main      the main dialog
//   a11y_windows free      a free-practice drill: the drill bar and its answer bar
//   a11y_windows test      a test drill: the drill bar and its answer bar
//   a11y_windows result    the drill result dialog after a free drill of two words
//   a11y_windows browser   the statistics browser of a two-word list
#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"
#include "platform/ScreenCopy.h"
#include "platform/SessionKind.h"
#include "maindlg/CmainDlg.h"
#include "drill/CKadoDlg.h"
#include "history/ChistoryDlg.h"
#include "history/CshowHistoryDlg.h"
#include "store/WordStore.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QFontDatabase>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kListName[] = "TWO";

// A list of two words, its cards in the registry and its counters in DrillHistory.
void MakeTwoWordList()
{
    WordListState& list = FindOrInsertWordList(kListName);
    list.cards = {WordCard{"\x82\xe8\x82\xf1\x82\xb2", "apple", "[aepl]", 0}, // りんご
                  WordCard{"\x96\x7b", "book", "[buk]", 2}};                  // 本
    list.count = 2;
    DrillHistory = {HistoryEntry{"apple", 4, 1, 5, 0, 0}, HistoryEntry{"book", 3, 0, 2, 2, 1}};
}

int RunDrill(int mode)
{
    CKadoDlg bar;
    // One card: a test drill shows its cards in an order of its own.
    bar.SelectCards(FindOrInsertWordList(kListName).cards, 0, 0);
    bar.m_mode = mode;
    std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", kListName);
    return bar.DoModal();
}

int RunResult()
{
    const WordCounts counts{{"apple", 1}, {"book", 1}};
    ChistoryDlg dialog;
    std::snprintf(dialog.m_listName, sizeof dialog.m_listName, "%s", kListName);
    dialog.m_wordCounts = &counts;
    return dialog.DoModal();
}

int RunBrowser()
{
    CshowHistoryDlg dialog;
    std::snprintf(dialog.m_listName, sizeof dialog.m_listName, "%s", kListName);
    dialog.m_wordCount = 2;
    return dialog.DoModal();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vokabo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vokabo"));
    const char* scene = argc > 1 ? argv[1] : "";
    QFontDatabase::addApplicationFont(QStringLiteral("./res/triphibian.ttf"));
    InstallFontSubstitutions();
    CreateDrawingObjects();
    ScreenDC = ScreenCopySourceForSession(SessionKind::X11);
    TestDatabase database;
    TestDatabase::LoadBuiltinRegistry();
    MakeTwoWordList();
    listsLoaded.store(true);
    controlLoaded.store(true);
    // Runs once the scene's modal run has shown its windows.
    QTimer::singleShot(0, [] {
        std::puts("shown");
        std::fflush(stdout);
    });

    if (std::strcmp(scene, "main") == 0) {
        CmainDlg dialog;
        return dialog.DoModal();
    }
    if (std::strcmp(scene, "free") == 0)
        return RunDrill(CKadoDlg::kFree);
    if (std::strcmp(scene, "test") == 0)
        return RunDrill(CKadoDlg::kTest);
    if (std::strcmp(scene, "result") == 0)
        return RunResult();
    if (std::strcmp(scene, "browser") == 0)
        return RunBrowser();
    std::fprintf(stderr, "a11y_windows: no scene \"%s\"\n", scene);
    return 2;
}
