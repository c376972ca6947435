// The drill bar's benchmarks run offscreen with the program's fonts and
// drawing objects, as the program sets them up at start-up.
#include "BenchSupport.h"
#include "DrillBench.h"

#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"

#include <QApplication>
#include <QFontDatabase>

namespace {
// The offscreen platform warns about every window operation it cannot do
// (raise, size hints); in the middle of benchmark output that is noise.
void DropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(DropMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TakeBenchFolders(argc, argv);
    benchmark::Initialize(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vokabo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vokabo"));
    QFontDatabase::addApplicationFont(QStringLiteral("./res/triphibian.ttf"));
    InstallFontSubstitutions();
    CreateDrawingObjects();
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterWriteBackBenchmarks();
    RegisterScalingBenchmarks();
    RegisterKeystrokeBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseDrawingObjects();
    return 0;
}
