#include "app/AgentOptions.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/Logging.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/TerminationSignals.h"
#include "platform/sim/SimControlServer.h"
#include "platform/sim/SimWorkstation.h"
#include "settings/DataDirectory.h"

#include <QApplication>
#include <QDebug>
#include <QTimer>

#include <cstdio>

namespace {

void logSimulatedWorkstation(const SimWorkstation& workstation)
{
    qInfo().noquote() << "simulated workstation" << workstation.name();
    for (const SimDisplay& display : workstation.displays())
        qInfo().noquote() << " display" << display.output << "on card" << display.cardId
                          << (display.connected ? "connected" : "disconnected");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, true);
    QCoreApplication::setAttribute(Qt::AA_UseDesktopOpenGL, true);

    const PlatformOptions platformOptions = PlatformOptions::fromArguments(argc, argv);
    QApplication app(argc, argv);
    const AgentOptions options = AgentOptions::fromArguments(QCoreApplication::arguments());
    if (!options.error.isEmpty() || !platformOptions.error.isEmpty()) {
        std::fprintf(stderr, "lutloader: %s\n%s", qPrintable(options.error + platformOptions.error),
                     qPrintable(AgentOptions::usage()));
        return 2;
    }
    QString error;
    if (!Platform::select(platformOptions, &error) || !DataDirectory::ensureExists(&error)) {
        std::fprintf(stderr, "lutloader: %s\n", qPrintable(error));
        return 1;
    }

    Logging::setEcho(options.echo);
    Logging::prepareMessageOutput(DataDirectory::path(), QStringLiteral("logb.qlog"), 100, QtDebugMsg);
    qInfo() << "LutLoader start...";
    qInfo().noquote() << "platform" << Platform::backend().name() << "data directory"
                      << DataDirectory::path();

    // A probe first: a second agent must step aside, not wait for the first to end.
    KaldoSharedMemory singleInstance(SHARED_MEMORY_KEY_SINGLE_APPLICATION, "SingleApplication");
    if (singleInstance.IsLocked() || !singleInstance.Lock()) {
        qInfo() << "another LutLoader runs in this session";
        Logging::releaseMessageOutput();
        return 0;
    }

    std::unique_ptr<SimControlServer> simControl;
    if (SimWorkstation* workstation = Platform::workstation()) {
        logSimulatedWorkstation(*workstation);
        simControl = std::make_unique<SimControlServer>(workstation);
        simControl->listen();
    }

    const auto termination = Platform::backend().createTerminationSignals(&app);
    QObject::connect(termination.get(), &TerminationSignals::terminationRequested, &app,
                     [](const QString& name) {
                         qInfo().noquote() << "LutLoader quit on" << name;
                         QCoreApplication::quit();
                     });
    if (options.runSeconds > 0)
        QTimer::singleShot(options.runSeconds * 1000, &app, [] {
            qInfo() << "LutLoader quit: run time over";
            QCoreApplication::quit();
        });

    const int exitCode = QApplication::exec();
    qInfo() << "LutLoader end";
    Logging::releaseMessageOutput();
    return exitCode;
}
