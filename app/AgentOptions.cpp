#include "app/AgentOptions.h"

namespace {

// The toolkit's own options, which it takes with one or two dashes; the first group
// takes a value ("-platform offscreen" or "-platform=offscreen").
const QStringList kToolkitOptionsWithValue = {QStringLiteral("platform"),
                                              QStringLiteral("platformpluginpath"),
                                              QStringLiteral("platformtheme"),
                                              QStringLiteral("plugin"),
                                              QStringLiteral("qwindowgeometry"),
                                              QStringLiteral("qwindowicon"),
                                              QStringLiteral("qwindowtitle"),
                                              QStringLiteral("session"),
                                              QStringLiteral("style"),
                                              QStringLiteral("stylesheet"),
                                              QStringLiteral("display"),
                                              QStringLiteral("geometry"),
                                              QStringLiteral("name"),
                                              QStringLiteral("title")};
const QStringList kToolkitFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"),  QStringLiteral("dograb"),
                                   QStringLiteral("visual"),  QStringLiteral("testability")};

// The option's name without its dashes and without a "=value" part.
QString bareName(const QString& argument)
{
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    return equals < 0 ? name : name.left(equals);
}

} // namespace

AgentOptions AgentOptions::fromArguments(const QStringList& arguments)
{
    AgentOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--echo")) {
            options.echo = true;
        } else if (argument == QLatin1String("--run-seconds")) {
            bool ok = false;
            options.runSeconds = i + 1 < arguments.size() ? arguments.at(++i).toInt(&ok) : 0;
            if (!ok || options.runSeconds < 0)
                options.error = QStringLiteral("--run-seconds needs a whole number of seconds");
        } else if (argument == QLatin1String("--clock-rate")) {
            bool ok = false;
            options.clockRate = i + 1 < arguments.size() ? arguments.at(++i).toDouble(&ok) : 0;
            if (!ok || !(options.clockRate >= 1 && options.clockRate <= 1e6))
                options.error = QStringLiteral("--clock-rate needs a number from 1 to 1000000");
        } else if (argument == QLatin1String("--clock-start")) {
            bool ok = false;
            options.clockStart = i + 1 < arguments.size() ? arguments.at(++i).toLongLong(&ok) : 0;
            if (!ok || options.clockStart < 0)
                options.error = QStringLiteral("--clock-start needs seconds since 1970");
        } else if (argument.contains(QLatin1Char('=')) && !argument.startsWith(QLatin1Char('-'))) {
            // key=value presets go to the first-run handler.
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            const QString name = bareName(argument);
            if (kToolkitFlags.contains(name))
                continue;
            if (!kToolkitOptionsWithValue.contains(name)) {
                options.error = QStringLiteral("unknown option %1").arg(argument);
                continue;
            }
            if (!argument.contains(QLatin1Char('=')) && ++i >= arguments.size())
                options.error = QStringLiteral("%1 needs a value").arg(argument);
        } else {
            options.error = QStringLiteral("unexpected argument %1").arg(argument);
        }
    }
    return options;
}

QString AgentOptions::usage()
{
    return QStringLiteral(
        "usage: lutloader [--platform linux|sim] [--workstation FILE] [--run-seconds N] [--echo] "
        "[KEY=VALUE...]\n"
        "       lutloader --help | --version\n"
        "\n"
        "  --platform P       the workstation services to use: linux (this machine) or sim (simulated)\n"
        "  --workstation FILE the simulated workstation described by FILE (implies --platform sim)\n"
        "  --run-seconds N    quit after N seconds (0: run until the session ends)\n"
        "  --echo             copy the log to standard error\n"
        "  --clock-rate R     simulated workstation only: the task clock runs R times faster\n"
        "  --clock-start S    simulated workstation only: the task clock starts at S seconds since 1970\n"
        "  KEY=VALUE          preset a preference at the first start\n"
        "  The toolkit's own options (-platform offscreen, -style NAME, ...) are passed on.\n");
}

QString AgentOptions::versionText()
{
    return QStringLiteral("lutloader " LUTLOADER_VERSION "\n");
}
