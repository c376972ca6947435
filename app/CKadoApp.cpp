#include "app/CKadoApp.h"

#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"
#include "app/InstanceGuard.h"
#include "app/SessionEnd.h"
#include "maindlg/CmainDlg.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr char kDatabasePath[] = "./save.db";
constexpr char kFontFolder[] = "./res/";
constexpr char kFontFile[] = "triphibian.ttf";

void RunPreload()
{
    // The main dialog waits for the preload; let it run ahead of the
    // desktop's other work when the system allows it.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
    PreloadThread();
}

// The session may end while kept results wait; an exit still to come
// writes them as well, this only makes sure they are written now.
void SaveFinishedDrills()
{
    const int cause = WriteKeptDrills(MissingTables::Leave);
    if (cause != SQLITE_OK)
        std::fprintf(stderr, "vokabo: the results of %zu drill(s) could not be saved yet: %s\n", KeptDrillCount(),
                     sqlite3_errstr(cause));
}

// Qt's xcb platform ends the process with exit(1) when the X server goes
// away; a drill finished before that still reaches save.db on the way out.
// After a normal end the connection is closed and nothing is kept.
void SaveFinishedDrillsAtExit()
{
    if (Database && KeptDrillCount() > 0)
        SaveFinishedDrills();
}

} // namespace

int CKadoApp::InitInstance()
{
    SessionEnd sessionEnd(SaveFinishedDrills);
    const int code = Run();
    // The lock, the socket and the connection are released by now.
    sessionEnd.RaiseAgain();
    return code;
}

int CKadoApp::Run()
{
    if (OpenDatabase(kDatabasePath) != SQLITE_OK) {
        std::fprintf(stderr, "vokabo: cannot open %s: %s\n", kDatabasePath,
                     Database ? sqlite3_errmsg(Database) : "out of memory");
        return 1;
    }

    // The kept drills and the synchronisation's thread are made before the
    // handler is registered, so that they are destroyed only after it ran.
    KeptDrillCount();
    WaitForListSync();
    std::atexit(SaveFinishedDrillsAtExit);

    InstanceGuard instance;
    switch (instance.TryAcquire()) {
    case InstanceGuard::Claim::OtherInstance:
        instance.SendWake();
        return 1;
    case InstanceGuard::Claim::Unavailable:
        // Refusing to start would lock the learner out for good; running
        // unguarded only loses the check.
        std::fprintf(stderr, "vokabo: %s; a second instance can no longer be detected.\n",
                     instance.Problem().toLocal8Bit().constData());
        break;
    case InstanceGuard::Claim::Held:
        instance.Listen();
        break;
    }
    EnsureControlTable();

    // The preload goes first: the font work below gives it its lead over
    // the main dialog's first look at the flags, and a preload that loses
    // that race shows the learner "読取中..." for a whole poll.
    listsLoaded.store(false);
    controlLoaded.store(false);
    std::thread preload(RunPreload);

    RegisterPhoneticFont(QString::fromLatin1(kFontFolder) + QString::fromLatin1(kFontFile));
    InstallFontSubstitutions();
    CreateDrawingObjects();

    {
        CmainDlg mainDialog;
        mainDialog.DoModal();

        ReleaseDrawingObjects();
        const StoreClosed closed = CloseStore(preload);
        if (closed.drillsLost > 0)
            std::fprintf(stderr, "vokabo: the results of %zu drill(s) could not be saved and are lost: %s\n",
                         closed.drillsLost, sqlite3_errstr(closed.cause));
    }
    return 0;
}
