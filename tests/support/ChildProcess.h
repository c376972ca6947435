#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

// A helper program of a test (a bus, a portal, a window to read), started in
// environment. Its output goes to outputFile when one is named, else to the
// test to read. Should the test process die without its destructors, the
// kernel ends the child all the same.
inline std::unique_ptr<QProcess> StartChild(const QString& program, const QStringList& arguments,
                                            const QProcessEnvironment& environment, const QString& outputFile = {})
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    if (!outputFile.isEmpty()) {
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(outputFile);
    }
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    return process;
}

// The line a child prints first (a bus its address, a stand-in "ready");
// empty when none comes within timeoutMs.
inline QString FirstLine(QProcess& process, int timeoutMs = 10000)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(timeoutMs))
            return {};
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}
