#include "app/AgentOptions.h"
#include "app/AppInitialization.h"
#include "app/LUTLoaderApplication.h"
#include "app/Logging.h"
#include "app/RemoveListCreator.h"
#include "platform/DisplayServer.h"
#include "platform/Platform.h"
#include "settings/DataDirectory.h"

#include <QCoreApplication>
#include <QDebug>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, true);
    QCoreApplication::setAttribute(Qt::AA_UseDesktopOpenGL, true);

    // A restart runs the agent again as it was started, platform options included.
    QStringList givenArguments;
    for (int i = 1; i < argc; ++i)
        givenArguments << QString::fromLocal8Bit(argv[i]);
    const PlatformOptions platformOptions = PlatformOptions::fromArguments(argc, argv);
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const AgentOptions options = AgentOptions::fromArguments(rawArguments);
    if (!options.error.isEmpty() || !platformOptions.error.isEmpty()) {
        std::fprintf(stderr, "lutloader: %s\n%s", qPrintable(options.error + platformOptions.error),
                     qPrintable(AgentOptions::usage()));
        return 2;
    }
    if (options.help || options.version) {
        std::fputs(qPrintable(options.help ? AgentOptions::usage() : AgentOptions::versionText()), stdout);
        return 0;
    }
    SingleApplication::setRestartArguments(givenArguments);
    QString error;
    if (!Platform::select(platformOptions, &error) || !DataDirectory::ensureExists(&error)) {
        std::fprintf(stderr, "lutloader: %s\n", qPrintable(error));
        return 1;
    }

    // Only a simulated workstation may live in another time: a real one's session, displays
    // and main application all keep the wall clock.
    if ((options.clockRate != 1 || options.clockStart != 0) && !Platform::workstation()) {
        std::fprintf(stderr, "lutloader: --clock-rate and --clock-start need the simulated workstation\n");
        return 2;
    }

    AppInitialization::fixFonts();
    AppInitialization::initGlobalData();
    RemoveListCreator::CreateRemoveList(QStringLiteral(":rc/speciallist.xml"),
                                        QStringLiteral(":rc/defaultlist.xml"));

    const QString displayServerNote = DisplayServer::prepareGuiPlatform();
    auto app = std::make_unique<LUTLoaderApplication>(argc, argv, options);
    if (app->isRunning()) {
        app.reset();
        return 0;
    }
    if (!displayServerNote.isEmpty())
        qWarning().noquote() << displayServerNote;
    const int exitCode = app->runMainLut();
    qDebug() << "LutLoader end";
    // The object goes before the log: a restart says so in the log on its way out.
    app.reset();
    Logging::releaseMessageOutput();
    return exitCode;
}
