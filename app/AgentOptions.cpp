#include "app/AgentOptions.h"

AgentOptions AgentOptions::fromArguments(const QStringList& arguments)
{
    AgentOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--echo")) {
            options.echo = true;
        } else if (argument == QLatin1String("--run-seconds") && i + 1 < arguments.size()) {
            bool ok = false;
            options.runSeconds = arguments.at(++i).toInt(&ok);
            if (!ok || options.runSeconds < 0)
                options.error = QStringLiteral("--run-seconds needs a whole number of seconds");
        } else {
            // Qt and the platform plug-in take their own options; anything else is a mistake.
            if (!argument.startsWith(QLatin1Char('-')))
                options.error = QStringLiteral("unexpected argument %1").arg(argument);
        }
    }
    return options;
}

QString AgentOptions::usage()
{
    return QStringLiteral(
        "usage: lutloader [--platform linux|sim] [--workstation FILE] [--run-seconds N] [--echo]\n");
}
