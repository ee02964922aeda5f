#include "app/ctl/CtlContext.h"
#include "app/ctl/CtlRegistry.h"
#include "db/DB.h"
#include "platform/Platform.h"
#include "settings/DataDirectory.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdio>

namespace {

// The components narrate their work in debug lines meant for the agent's log. On the command line
// only warnings reach the user, unless --verbose asks for the whole story.
void quietMessageOutput(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

int printUsage(const CtlCommandList& commands, FILE* out)
{
    std::fprintf(
        out,
        "usage: lutloaderctl [--platform linux|sim] [--workstation FILE] [--json] [--verbose] COMMAND ...\n"
        "       lutloaderctl --version\n");
    for (const auto& command : commands)
        std::fprintf(out, "  %s\n", qPrintable(command->usage()));
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    const PlatformOptions platformOptions = PlatformOptions::fromArguments(argc, argv);
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    if (args.removeAll(QStringLiteral("--verbose")) == 0 &&
        qEnvironmentVariableIsEmpty("LUTLOADER_CTL_VERBOSE"))
        qInstallMessageHandler(quietMessageOutput);
    const CtlCommandList commands = CtlRegistry::commands();

    if (args.value(0) == QLatin1String("--version")) {
        CtlContext context({}, json);
        return context.answer(
            {{QStringLiteral("ok"), true}, {QStringLiteral("version"), QStringLiteral(LUTLOADER_VERSION)}},
            QStringLiteral("lutloaderctl " LUTLOADER_VERSION));
    }
    if (args.value(0) == QLatin1String("--help"))
        return printUsage(commands, stdout);
    // Scripts reading --json get an object for every failure, usage errors included.
    const CtlContext failures({}, json);
    if (args.isEmpty()) {
        if (json)
            return failures.fail(QStringLiteral("no command given"), 2);
        return printUsage(commands, stderr);
    }

    QString error = platformOptions.error;
    if (error.isEmpty() && !Platform::select(platformOptions, &error))
        error = error.isEmpty() ? QStringLiteral("cannot start the platform") : error;
    if (!error.isEmpty())
        return failures.fail(error, 2);
    // Whatever a command opens of the database is the data directory's, never the current folder's.
    DB::setPath(DataDirectory::path());
    for (const auto& command : commands) {
        if (command->name() == args.at(0))
            return command->run(CtlContext(args.mid(1), json));
    }
    if (json)
        return failures.fail(QStringLiteral("unknown command %1").arg(args.at(0)), 2);
    std::fprintf(stderr, "lutloaderctl: unknown command %s\n", qPrintable(args.at(0)));
    return printUsage(commands, stderr);
}
