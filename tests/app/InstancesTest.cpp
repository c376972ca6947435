// Starts of the real program by the same user in the same data folder:
// exactly one runs on, every other ends with code 1, and none waits for long
// on a running instance that does not answer, nor on another local user.
#include "RealProgram.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <vector>

namespace {

TEST(Instances, TenSimultaneousStarts_OneRunsNineEndWithOne)
{
    QTemporaryDir folder;
    RealProgram program;
    std::vector<std::unique_ptr<QProcess>> starts(10);
    for (auto& start : starts) {
        start = std::make_unique<QProcess>();
        start->setWorkingDirectory(folder.path());
        start->setProcessEnvironment(program.Environment());
    }
    for (auto& start : starts)
        start->start(QStringLiteral(VOKABO_BINARY), {});

    for (auto& start : starts)
        EXPECT_TRUE(start->waitForStarted(10000));
    const auto ended = [&] {
        int count = 0;
        for (auto& start : starts)
            count += start->state() == QProcess::NotRunning ? 1 : 0;
        return count;
    };
    QDeadlineTimer deadline(30000);
    while (ended() < 9 && !deadline.hasExpired())
        for (auto& start : starts)
            start->waitForFinished(10);
    // The survivor is up and answers the wakes of the others; it is still
    // there after them.
    EXPECT_TRUE(program.Answers(10000));

    EXPECT_EQ(ended(), 9);
    int running = 0;
    int endedWithOne = 0;
    for (auto& start : starts) {
        if (start->state() == QProcess::Running)
            ++running;
        else if (start->exitStatus() == QProcess::NormalExit && start->exitCode() == 1)
            ++endedWithOne;
    }
    EXPECT_EQ(running, 1);
    EXPECT_EQ(endedWithOne, 9);
    for (auto& start : starts)
        RealProgram::Stop(*start);
}

TEST(Instances, SecondStart_AgainstAStoppedInstance_EndsWithOneAndLeavesItRunning)
{
    QTemporaryDir folder;
    RealProgram program;
    const auto first = program.Start(folder.path());
    ASSERT_TRUE(program.Answers(20000));

    ::kill(static_cast<pid_t>(first->processId()), SIGSTOP);
    const auto second = program.Start(folder.path());
    const bool ended = second->waitForFinished(10000);
    ::kill(static_cast<pid_t>(first->processId()), SIGCONT);

    EXPECT_TRUE(ended) << "the second start hangs on the stopped instance";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    // The wake it gave up on does the first instance no harm.
    EXPECT_TRUE(program.Answers(10000));
    EXPECT_EQ(first->state(), QProcess::Running);
    RealProgram::Stop(*second);
    RealProgram::Stop(*first);
}

// A system user of the test's own, deleted again when the test ends.
class ThrowawayUser {
public:
    explicit ThrowawayUser(const QString& name) : m_name(name)
    {
        if (QProcess::execute(QStringLiteral("/usr/sbin/useradd"),
                              {QStringLiteral("-r"), QStringLiteral("-M"), QStringLiteral("-N"), QStringLiteral("-s"),
                               QStringLiteral("/usr/sbin/nologin"), name}) != 0)
            return;
        m_made = true;
        if (const passwd* entry = ::getpwnam(name.toLocal8Bit().constData())) {
            uid = entry->pw_uid;
            gid = entry->pw_gid;
        }
    }
    ~ThrowawayUser()
    {
        if (m_made)
            QProcess::execute(QStringLiteral("/usr/sbin/userdel"), {m_name});
    }
    bool Exists() const { return m_made && uid != 0; }

    // Started as this user, not waited for.
    std::unique_ptr<QProcess> Start(const QString& program, const QStringList& arguments, const QString& folder,
                                    const QProcessEnvironment& environment) const
    {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(folder);
        process->setProcessEnvironment(environment);
        process->setChildProcessModifier([uid = uid, gid = gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(126);
        });
        process->start(program, arguments);
        process->waitForStarted(10000);
        return process;
    }

    QString name() const { return m_name; }
    uid_t uid = 0;
    gid_t gid = 0;

private:
    QString m_name;
    bool m_made = false;
};

// Paths outside the test's own folders, removed whatever the outcome.
class RemovedAtTheEnd {
public:
    explicit RemovedAtTheEnd(QStringList paths) : m_paths(std::move(paths)) {}
    ~RemovedAtTheEnd()
    {
        for (const QString& path : m_paths)
            QDir(path).removeRecursively();
    }

private:
    QStringList m_paths;
};

// Every folder above the program, up to the root, lets another user through.
bool OpenToOtherUsers(const QString& path)
{
    for (QFileInfo info(path); !info.isRoot(); info = QFileInfo(info.absolutePath()))
        if (!(QFileInfo(info.absolutePath()).permissions() & QFileDevice::ExeOther))
            return false;
    return true;
}

bool OwnedBy(const QString& path, uid_t uid, mode_t type)
{
    struct stat info {};
    return ::lstat(path.toLocal8Bit().constData(), &info) == 0 && info.st_uid == uid && (info.st_mode & S_IFMT) == type;
}

// Without a session runtime folder, the instance rule falls back to
// /tmp/vokabo-UID, which any local user can make first. The learner's
// starts then meet in a folder of the learner's own instead: the second one
// ends with 1, as it did with the runtime folder, rather than running beside
// the first.
TEST(Instances, OtherUserMadeTheTmpFolderFirst_SecondStartStillEndsWithOne)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "making users needs root";
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/useradd")))
        GTEST_SKIP() << "no useradd";
    if (!OpenToOtherUsers(QStringLiteral(VOKABO_BINARY)))
        GTEST_SKIP() << "the build folder is closed to other users";
    const QString tag = QString::number(::getpid());
    const ThrowawayUser learner(QStringLiteral("vokabo-test-a") + tag);
    const ThrowawayUser other(QStringLiteral("vokabo-test-b") + tag);
    ASSERT_TRUE(learner.Exists() && other.Exists());
    const QString taken = QStringLiteral("/tmp/vokabo-%1").arg(learner.uid);
    // A folder left by an earlier user of this uid would spoil the case.
    QDir(taken).removeRecursively();
    const RemovedAtTheEnd cleanup({taken, QStringLiteral("/tmp/runtime-") + learner.name()});

    QTemporaryDir top;
    ASSERT_TRUE(QFile::setPermissions(top.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                                      QFileDevice::ExeOther));
    const QString home = top.filePath(QStringLiteral("home"));
    const QString data = top.filePath(QStringLiteral("data"));
    for (const QString& folder : {home, data}) {
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_EQ(::chown(folder.toLocal8Bit().constData(), learner.uid, learner.gid), 0);
        ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
    }
    ASSERT_TRUE(RealProgram::GiveFont(data));
    const auto made = other.Start(QStringLiteral("/bin/mkdir"), {QStringLiteral("-m"), QStringLiteral("700"), taken},
                                  QStringLiteral("/"), QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(made->waitForFinished(10000));
    ASSERT_TRUE(OwnedBy(taken, other.uid, S_IFDIR));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR",
                             "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("USER"), learner.name());
    environment.insert(QStringLiteral("LOGNAME"), learner.name());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const auto first = learner.Start(QStringLiteral(VOKABO_BINARY), {}, data, environment);
    // It listens before it makes control, the first thing it writes.
    QDeadlineTimer deadline(20000);
    while (QFileInfo(data + QStringLiteral("/save.db")).size() == 0 && !deadline.hasExpired())
        first->waitForFinished(50);
    ASSERT_EQ(first->state(), QProcess::Running) << first->readAllStandardError().toStdString();
    const auto second = learner.Start(QStringLiteral(VOKABO_BINARY), {}, data, environment);
    const bool ended = second->waitForFinished(20000);

    EXPECT_TRUE(ended) << "the second start runs beside the first";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    EXPECT_EQ(first->state(), QProcess::Running);
    // The lock and the socket are the learner's own, in the learner's cache.
    const QString cache = home + QStringLiteral("/.cache/vokabo-%1").arg(learner.uid);
    EXPECT_TRUE(OwnedBy(cache + QStringLiteral(".lock"), learner.uid, S_IFREG));
    EXPECT_TRUE(OwnedBy(cache + QStringLiteral(".socket"), learner.uid, S_IFSOCK));
    EXPECT_TRUE(OwnedBy(taken, other.uid, S_IFDIR));
    RealProgram::Stop(*second);
    RealProgram::Stop(*first);
    // Neither start said it ran without the lock.
    for (QProcess* start : {first.get(), second.get()})
        EXPECT_FALSE(start->readAllStandardError().contains("vokabo: "));
}

} // namespace
