#include "app/CKadoApp.h"

#include "app/DrawingObjects.h"
#include "app/FontSetup.h"
#include "app/InstanceGuard.h"
#include "dialogs/CmainDlg.h"
#include "store/Database.h"
#include "store/Preload.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"

#include <QFontDatabase>
#include <QString>
#include <cstdio>
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
} // namespace

int CKadoApp::InitInstance()
{
    if (OpenDatabase(kDatabasePath) != SQLITE_OK) {
        std::fprintf(stderr, "vokabo: cannot open %s: %s\n", kDatabasePath,
                     Database ? sqlite3_errmsg(Database) : "out of memory");
        return 1;
    }

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

    RegisterPhoneticFont(QString::fromLatin1(kFontFolder) + QString::fromLatin1(kFontFile));
    InstallFontSubstitutions();
    CreateDrawingObjects();

    listsLoaded.store(false);
    controlLoaded.store(false);
    std::thread preload(RunPreload);

    {
        CmainDlg mainDialog;
        mainDialog.DoModal();

        ReleaseDrawingObjects();
        CloseStore(preload);
    }
    return 0;
}
