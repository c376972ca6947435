// The installed launcher (bin/vokabo) never stands between the learner and
// the program: whatever happens to the font copy, the real program comes up
// in the data folder and answers a wake. Only a data folder that cannot be
// had, or a missing program, stops the start, with one line that says so.
// Each test installs the build into a folder of its own, as
// `cmake --install` does for the package, and runs that launcher.
#include "RealProgram.h"
#include "platform/FontSetup.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Empty for anything but a file (a fifo would block the reader), links followed.
QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file at `path` holds exactly `expected`.
::testing::AssertionResult Holds(const QString& path, const QByteArray& expected)
{
    const QByteArray bytes = Bytes(path);
    if (bytes == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << path.toStdString() << " holds " << bytes.size() << " bytes ("
                                         << (QFileInfo(path).isFile() ? "a file" : "no file") << "), not the "
                                         << expected.size() << " expected";
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The names in a folder, one a line.
std::string Entries(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
        .join(QLatin1Char('\n'))
        .toStdString();
}

// The lines the program or its launcher wrote (Qt may add warnings of its own).
std::string VokaboLines(QProcess& process)
{
    return RealProgram::OwnLines(QString::fromLocal8Bit(process.readAllStandardError()))
        .join(QLatin1Char('\n'))
        .toStdString();
}

// The program's line for a font it could not use, read from its data folder.
std::string FontLine(const char* reason)
{
    return QString::asprintf(kPhoneticFontProblem, "./res/triphibian.ttf", reason).trimmed().toStdString();
}

// The build installed into a throwaway prefix.
class InstalledVokabo {
public:
    InstalledVokabo()
    {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(VOKABO_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(VOKABO_BUILD_DIR), QStringLiteral("--prefix"),
                       m_prefix.path()});
        m_installed = install.waitForFinished(60000) && install.exitStatus() == QProcess::NormalExit &&
                      install.exitCode() == 0 && QFileInfo(Launcher()).isExecutable();
        if (!m_installed)
            m_problem = QString::fromLocal8Bit(install.readAll());
    }

    bool Installed() const { return m_installed; }
    QString Problem() const { return m_problem; }
    QString Launcher() const { return m_prefix.filePath(QStringLiteral(VOKABO_INSTALLED_LAUNCHER)); }
    QString Program() const { return m_prefix.filePath(QStringLiteral(VOKABO_INSTALLED_PROGRAM)); }
    QString Font() const { return m_prefix.filePath(QStringLiteral(VOKABO_INSTALLED_FONT)); }

    // Started as the desktop starts it, not waited for.
    std::unique_ptr<QProcess> Launch(const QProcessEnvironment& environment, const QString& workingDirectory) const
    {
        auto launcher = std::make_unique<QProcess>();
        launcher->setWorkingDirectory(workingDirectory);
        launcher->setProcessEnvironment(environment);
        launcher->start(Launcher(), {});
        launcher->waitForStarted(10000);
        return launcher;
    }

private:
    QTemporaryDir m_prefix;
    bool m_installed = false;
    QString m_problem;
};

// A tmpfs of a few pages mounted on `folder` for the life of the object, so
// that a test can fill it. Needs root (or CAP_SYS_ADMIN).
class SmallFilesystem {
public:
    explicit SmallFilesystem(const QString& folder) : m_folder(folder.toLocal8Bit())
    {
        if (::mount("vokabo-test", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") == 0)
            m_mounted = true;
        else
            m_problem = QStringLiteral("cannot mount a tmpfs on %1: %2")
                            .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~SmallFilesystem()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool Mounted() const { return m_mounted; }
    QString Problem() const { return m_problem; }

    // Writes a filler file until the filesystem has no byte left.
    bool Fill() const
    {
        const QByteArray path = m_folder + "/filler";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const std::string page(4096, 'f');
        while (::write(fd, page.data(), page.size()) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_problem;
};

// One learner: a home of the test's own, and the data folder the launcher
// makes there when XDG_DATA_HOME is not set.
struct Learner {
    QTemporaryDir home;
    QString Data() const { return home.filePath(QStringLiteral(".local/share/vokabo")); }
    QString Copy() const { return Data() + QStringLiteral("/res/triphibian.ttf"); }

    QProcessEnvironment Environment(const RealProgram& program) const
    {
        QProcessEnvironment environment = program.Environment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        return environment;
    }
};

struct LaunchSetup {
    const InstalledVokabo& installed;
    Learner& learner;
    QProcessEnvironment environment;
    QString workingDirectory;
    std::unique_ptr<SmallFilesystem> disk;
    QByteArray oldCopy;
    QString skip;
};

// The data folder on a filesystem of its own, with `oldCopy` as the font
// copy (none when empty); the installed font is newer, as after an upgrade.
// Then the filesystem is filled.
bool FullDisk(LaunchSetup& s, const QByteArray& oldCopy)
{
    const QString share = s.learner.home.filePath(QStringLiteral(".local/share"));
    if (!QDir().mkpath(share))
        return false;
    s.disk = std::make_unique<SmallFilesystem>(share);
    if (!s.disk->Mounted()) {
        s.skip = s.disk->Problem();
        return false;
    }
    QFile font(s.installed.Font());
    if (!font.open(QIODevice::Append) || font.write(QByteArray(1024, '\0')) != 1024)
        return false;
    font.close();
    s.oldCopy = oldCopy;
    if (!oldCopy.isEmpty() && !(QDir().mkpath(s.learner.Data() + QStringLiteral("/res")) &&
                                Write(s.learner.Copy(), oldCopy)))
        return false;
    return s.disk->Fill();
}

void CopyIsTheInstalledFont(const LaunchSetup& s)
{
    const QFileInfo copy(s.learner.Copy());
    EXPECT_TRUE(copy.isFile() && !copy.isSymLink()) << "not a plain file: " << s.learner.Copy().toStdString();
    EXPECT_TRUE(Holds(s.learner.Copy(), Bytes(s.installed.Font())));
}

struct LaunchCase {
    const char* name;
    std::function<bool(LaunchSetup&)> prepare;
    // What the data folder holds once the program has come up.
    std::function<void(const LaunchSetup&)> check;
    // The program's own lines on stderr, one a line; the launcher adds none.
    std::string lines;
};

// The font as the build left it; the tests run in the build directory.
QByteArray BuiltFont() { return Bytes(QStringLiteral("./res/triphibian.ttf")); }

std::vector<LaunchCase> Cases()
{
    return {
        {"InstalledFontMissing",
         [](LaunchSetup& s) { return QFile::remove(s.installed.Font()); },
         [](const LaunchSetup& s) { EXPECT_FALSE(QFileInfo::exists(s.learner.Copy())); },
         FontLine("No such file or directory")},
        {"InstalledFontMissing_OldCopyStays",
         [](LaunchSetup& s) {
             s.oldCopy = BuiltFont();
             return QFile::remove(s.installed.Font()) && QDir().mkpath(s.learner.Data() + QStringLiteral("/res")) &&
                    Write(s.learner.Copy(), s.oldCopy);
         },
         [](const LaunchSetup& s) { EXPECT_TRUE(Holds(s.learner.Copy(), s.oldCopy)); },
         {}},
        {"DiskFull_OldCopyStays", [](LaunchSetup& s) { return FullDisk(s, BuiltFont()); },
         [](const LaunchSetup& s) {
             EXPECT_TRUE(Holds(s.learner.Copy(), s.oldCopy));
             EXPECT_EQ(Entries(s.learner.Data() + QStringLiteral("/res")), "triphibian.ttf");
         },
         {}},
        // No old copy and no room for one: the program reads the installed
        // font through the copy's name.
        {"DiskFull_NoCopy_InstalledFontUsed", [](LaunchSetup& s) { return FullDisk(s, QByteArray()); },
         [](const LaunchSetup& s) {
             EXPECT_TRUE(Holds(s.learner.Copy(), Bytes(s.installed.Font())));
             EXPECT_EQ(Entries(s.learner.Data() + QStringLiteral("/res")), "triphibian.ttf");
         },
         {}},
        {"DirectoryInPlaceOfTheCopy",
         [](LaunchSetup& s) {
             return QDir().mkpath(s.learner.Copy()) && Write(s.learner.Copy() + QStringLiteral("/stray"), "x");
         },
         CopyIsTheInstalledFont,
         {}},
        {"LinkToADirectoryInPlaceOfTheCopy",
         [](LaunchSetup& s) {
             return QDir().mkpath(s.learner.home.filePath(QStringLiteral("elsewhere"))) &&
                    QDir().mkpath(s.learner.Data() + QStringLiteral("/res")) &&
                    QFile::link(s.learner.home.filePath(QStringLiteral("elsewhere")), s.learner.Copy());
         },
         [](const LaunchSetup& s) {
             CopyIsTheInstalledFont(s);
             EXPECT_EQ(Entries(s.learner.home.filePath(QStringLiteral("elsewhere"))), "");
         },
         {}},
        // What a start on a full disk leaves: a copy follows once there is room.
        {"LinkToTheInstalledFontInPlaceOfTheCopy",
         [](LaunchSetup& s) {
             return QDir().mkpath(s.learner.Data() + QStringLiteral("/res")) &&
                    QFile::link(s.installed.Font(), s.learner.Copy());
         },
         CopyIsTheInstalledFont,
         {}},
        {"FifoInPlaceOfTheCopy",
         [](LaunchSetup& s) {
             return QDir().mkpath(s.learner.Data() + QStringLiteral("/res")) &&
                    ::mkfifo(s.learner.Copy().toLocal8Bit().constData(), 0600) == 0;
         },
         [](const LaunchSetup& s) {
             // A launcher that waits on the fifo is let go, so that it ends.
             const int fd = ::open(s.learner.Copy().toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
             if (fd >= 0)
                 ::close(fd);
             CopyIsTheInstalledFont(s);
         },
         {}},
        // The XDG base directory rules: a relative path is to be ignored.
        {"RelativeXdgDataHome",
         [](LaunchSetup& s) {
             s.environment.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("relative-data"));
             return true;
         },
         [](const LaunchSetup& s) {
             EXPECT_TRUE(QFileInfo(s.learner.Data() + QStringLiteral("/save.db")).isFile());
             CopyIsTheInstalledFont(s);
             EXPECT_EQ(Entries(s.workingDirectory), "");
         },
         {}},
    };
}

void PrintTo(const LaunchCase& c, std::ostream* out) { *out << c.name; }

class Launcher : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(Launcher, ProgramComesUpInTheDataFolder)
{
    const LaunchCase& c = GetParam();
    const InstalledVokabo installed;
    ASSERT_TRUE(installed.Installed()) << installed.Problem().toStdString();
    Learner learner;
    RealProgram program;
    QTemporaryDir workingDirectory;
    LaunchSetup setup{installed, learner, learner.Environment(program), workingDirectory.path(), nullptr, {}, {}};
    if (!c.prepare(setup)) {
        if (!setup.skip.isEmpty())
            GTEST_SKIP() << setup.skip.toStdString();
        FAIL() << "cannot prepare the case";
    }

    const auto running = installed.Launch(setup.environment, setup.workingDirectory);

    EXPECT_TRUE(program.Answers(20000));
    EXPECT_EQ(running->state(), QProcess::Running);
    RealProgram::Stop(*running);
    EXPECT_EQ(running->exitStatus(), QProcess::CrashExit) << "ended by SIGTERM, not by itself";
    EXPECT_EQ(VokaboLines(*running), c.lines);
    EXPECT_TRUE(QFileInfo(learner.Data() + QStringLiteral("/save.db")).isFile());
    c.check(setup);
}

INSTANTIATE_TEST_SUITE_P(Cases, Launcher, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Several starts at once, as a learner's repeated clicks on the menu entry
// make them, all in a fresh data folder so that each one copies the font.
// Each has a runtime folder of its own, so every program must come up
// instead of waking the first. Thirty rounds of three: with one temporary
// name shared by all launchers, 7 of 30 such rounds lost a start. A lost
// start costs the wait for its answer, so the first lost round ends the test.
TEST(LauncherRace, ThreeStartsAtOnceInAFreshFolder_EveryProgramComesUp)
{
    constexpr int kRounds = 30;
    constexpr int kStarts = 3;
    const InstalledVokabo installed;
    ASSERT_TRUE(installed.Installed()) << installed.Problem().toStdString();
    for (int round = 0; round < kRounds; ++round) {
        Learner learner;
        std::vector<std::unique_ptr<RealProgram>> programs;
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int k = 0; k < kStarts; ++k)
            programs.push_back(std::make_unique<RealProgram>());
        for (int k = 0; k < kStarts; ++k)
            starts.push_back(installed.Launch(learner.Environment(*programs[k]), learner.home.path()));

        int up = 0;
        for (int k = 0; k < kStarts; ++k)
            up += programs[k]->Answers(20000) && starts[k]->state() == QProcess::Running ? 1 : 0;
        for (auto& start : starts)
            RealProgram::Stop(*start);
        EXPECT_EQ(up, kStarts) << "round " << round;
        for (auto& start : starts)
            EXPECT_EQ(VokaboLines(*start), "");
        EXPECT_TRUE(Holds(learner.Copy(), Bytes(installed.Font())));
        EXPECT_EQ(Entries(learner.Data() + QStringLiteral("/res")), "triphibian.ttf");
        if (HasFailure())
            break;
    }
}

// What stops the start says so in one line, and the launcher's code is 1.
struct StopCase {
    const char* name;
    // Prepares the failure and returns the line the launcher must write.
    std::function<QString(const InstalledVokabo&, Learner&, QProcessEnvironment&)> prepare;
};

std::vector<StopCase> StopCases()
{
    return {
        {"DataFolderCannotBeMade",
         [](const InstalledVokabo&, Learner& learner, QProcessEnvironment& environment) {
             const QString file = learner.home.filePath(QStringLiteral("file"));
             Write(file, "not a folder");
             environment.insert(QStringLiteral("XDG_DATA_HOME"), file);
             return QStringLiteral("vokabo: cannot make the data folder %1/vokabo: Not a directory").arg(file);
         }},
        {"ProgramMissing",
         [](const InstalledVokabo& installed, Learner&, QProcessEnvironment&) {
             QFile::remove(installed.Program());
             return QStringLiteral("vokabo: cannot run %1: it is missing or not executable").arg(installed.Program());
         }},
    };
}

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class LauncherStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(LauncherStop, SaysWhyInOneLineAndEndsWithOne)
{
    const InstalledVokabo installed;
    ASSERT_TRUE(installed.Installed()) << installed.Problem().toStdString();
    Learner learner;
    RealProgram program;
    QProcessEnvironment environment = learner.Environment(program);
    const QString line = GetParam().prepare(installed, learner, environment);

    const auto run = installed.Launch(environment, learner.home.path());

    ASSERT_TRUE(run->waitForFinished(20000));
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run->exitCode(), 1);
    EXPECT_EQ(QString::fromLocal8Bit(run->readAllStandardError()).toStdString(), line.toStdString() + '\n');
    EXPECT_FALSE(program.Answers(300));
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherStop, ::testing::ValuesIn(StopCases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
