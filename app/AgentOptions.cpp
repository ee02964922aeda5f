#include "app/AgentOptions.h"

AgentOptions AgentOptions::fromArguments(const QStringList& arguments)
{
    AgentOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--echo")) {
            options.echo = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--run-seconds") && i + 1 < arguments.size()) {
            bool ok = false;
            options.runSeconds = arguments.at(++i).toInt(&ok);
            if (!ok || options.runSeconds < 0)
                options.error = QStringLiteral("--run-seconds needs a whole number of seconds");
        } else if (argument.contains(QLatin1Char('=')) && !argument.startsWith(QLatin1Char('-'))) {
            // key=value presets go to the first-run handler.
        } else if (argument.startsWith(QLatin1Char('-'))) {
            // Qt takes its own options ("-platform offscreen"); a bare word after one is its value.
            if (!argument.startsWith(QLatin1String("--")) && i + 1 < arguments.size() &&
                !arguments.at(i + 1).startsWith(QLatin1Char('-')) &&
                !arguments.at(i + 1).contains(QLatin1Char('=')))
                ++i;
        } else {
            options.error = QStringLiteral("unexpected argument %1").arg(argument);
        }
    }
    return options;
}

QString AgentOptions::usage()
{
    return QStringLiteral("usage: lutloader [--platform linux|sim] [--workstation FILE] [--run-seconds N] "
                          "[--echo] [KEY=VALUE...]\n"
                          "       lutloader --help | --version\n"
                          "  --platform linux|sim  the real machine (default) or a simulated workstation\n"
                          "  --workstation FILE    the simulated workstation's JSON file (implies sim)\n"
                          "  --run-seconds N       end after N seconds (0: run until the session ends)\n"
                          "  --echo                copy the log to standard error\n"
                          "  KEY=VALUE             preset a preference at the first start\n");
}
