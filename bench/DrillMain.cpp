// The drill bar's benchmarks run offscreen with the program's fonts and
// drawing objects, as the program sets them up at start-up.
#include "BenchSupport.h"
#include "DrillBench.h"

#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"
#include "platform/ScreenCopy.h"
#include "platform/SessionKind.h"

#include <QApplication>
#include <QFontDatabase>
#include <cstdlib>
#include <string_view>

namespace {
// The offscreen platform warns about every window operation it cannot do
// (raise, size hints); in the middle of benchmark output that is noise.
void DropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// Takes --rounds=N out of the command line: the keystroke benchmarks' fixed
// number of rounds (0, the default: as many as Google Benchmark chooses).
int TakeRounds(int& argc, char** argv)
{
    constexpr std::string_view kOption = "--rounds=";
    int rounds = 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(kOption))
            rounds = std::atoi(argv[i] + kOption.size());
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return rounds;
}
} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(DropMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TakeBenchFolders(argc, argv);
    const int rounds = TakeRounds(argc, argv);
    benchmark::Initialize(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vokabo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vokabo"));
    QFontDatabase::addApplicationFont(QStringLiteral("./res/triphibian.ttf"));
    InstallFontSubstitutions();
    CreateDrawingObjects();
    ScreenDC = ScreenCopySourceForSession(SessionKind::X11);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterWriteBackBenchmarks();
    RegisterScalingBenchmarks();
    RegisterKeystrokeBenchmarks(rounds);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseScreenCopy();
    ReleaseDrawingObjects();
    return 0;
}
