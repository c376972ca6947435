#pragma once
// The real program, started in a data folder of the test's choosing. Its
// per-user instance lock and wake socket live in a runtime folder private to
// the test, so starts of one test meet each other and nothing else (a
// Vokabo the developer runs meanwhile is neither disturbed nor in the way).
// The folder gets the phonetic font, as the launcher gives it: without it
// the program says so on stderr.
#include "app/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <unistd.h>

class RealProgram {
public:
    RealProgram()
    {
        QDir(m_runtime.path()).mkdir(QStringLiteral("run"));
        QDir(m_runtime.path()).mkdir(QStringLiteral("tmp"));
        QFile::setPermissions(m_runtime.filePath(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString RuntimeFolder() const { return m_runtime.filePath(QStringLiteral("run")); }

    // TMPDIR differs from the test's own: the lock and the socket must not
    // depend on it.
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeFolder());
        environment.insert(QStringLiteral("TMPDIR"), m_runtime.filePath(QStringLiteral("tmp")));
        return environment;
    }

    // The build's font in the folder's res/, by a link; false where the
    // folder cannot take it (a test's unchangeable folder).
    static bool GiveFont(const QString& folder)
    {
        const QString font = QDir(folder).filePath(QStringLiteral("res/triphibian.ttf"));
        return QFileInfo::exists(font) ||
               (QDir(folder).mkpath(QStringLiteral("res")) &&
                QFile::link(QFileInfo(QStringLiteral("res/triphibian.ttf")).absoluteFilePath(), font));
    }

    // Started, not waited for.
    std::unique_ptr<QProcess> Start(const QString& folder) const
    {
        GiveFont(folder);
        auto program = std::make_unique<QProcess>();
        program->setWorkingDirectory(folder);
        program->setProcessEnvironment(Environment());
        program->start(QStringLiteral(VOKABO_BINARY), {});
        program->waitForStarted(10000);
        return program;
    }

    // True once the running instance has answered a wake, which it does from
    // its main dialog's event loop: the program is up and responsive.
    bool Answers(int timeoutMs) const { return InstanceGuard(RuntimeFolder()).SendWake(timeoutMs); }

    // The lines the program itself wrote (Qt may add warnings of its own).
    static QStringList OwnLines(const QString& standardError)
    {
        QStringList lines;
        for (const QString& line : standardError.split(QLatin1Char('\n')))
            if (line.startsWith(QStringLiteral("vokabo: ")))
                lines << line;
        return lines;
    }

    // SIGTERM, as the desktop ends a program at logout.
    static void Stop(QProcess& program)
    {
        if (program.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished();
        }
    }

private:
    QTemporaryDir m_runtime;
};
