// The real program on a real X server: it shows its main window and ends
// through the normal shutdown when that window is closed.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QString RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 15000)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

} // namespace

TEST(StartupX11, MainWindowTitledVokabo_ClosesThroughNormalShutdown)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X server";
    QTemporaryDir folder;
    QProcess program;
    program.setWorkingDirectory(folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VOKABO_BINARY), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString window = RunTool(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--pid"), QString::number(program.processId()),
                                    QStringLiteral("--name"), QStringLiteral("^Vokabo$")});
    EXPECT_FALSE(window.isEmpty());
    if (!window.isEmpty()) {
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                            window.section(QLatin1Char('\n'), 0, 0)});
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
    }
    const bool ended = program.waitForFinished(15000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    // A fresh save.db gets its control table at the first start.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(folder.filePath(QStringLiteral("save.db")).toLocal8Bit().constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "select * from control;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}
