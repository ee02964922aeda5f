#include "platform/PlatformOptions.h"

#include <QProcessEnvironment>

namespace {

// Takes "--name value" or "--name=value" out of the list.
bool takeOption(QStringList& arguments, const QString& name, QString& value, QString& error)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            return false;
        if (argument == name) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value").arg(name);
                arguments.removeAt(i);
                return false;
            }
            value = arguments.at(i + 1);
            arguments.remove(i, 2);
            return true;
        }
        if (argument.startsWith(name + QLatin1Char('='))) {
            value = argument.mid(name.size() + 1);
            arguments.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace

QString PlatformOptions::nativePlatform()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("win");
#else
    return QStringLiteral("linux");
#endif
}

PlatformOptions PlatformOptions::fromArguments(QStringList& arguments)
{
    const auto environment = QProcessEnvironment::systemEnvironment();
    PlatformOptions options;
    options.platform = environment.value(QStringLiteral("LUTLOADER_PLATFORM"));
    options.workstation = environment.value(QStringLiteral("LUTLOADER_WORKSTATION"));
    takeOption(arguments, QStringLiteral("--platform"), options.platform, options.error);
    takeOption(arguments, QStringLiteral("--workstation"), options.workstation, options.error);
    if (options.platform.isEmpty())
        options.platform = options.workstation.isEmpty() ? nativePlatform() : QStringLiteral("sim");
    return options;
}

PlatformOptions PlatformOptions::fromArguments(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const int before = arguments.size();
    PlatformOptions options = fromArguments(arguments);
    if (arguments.size() != before) {
        // Compact argv in place so that Qt and the subcommands never see our options.
        int out = 0;
        for (int in = 0; in < argc && out < arguments.size(); ++in) {
            if (QString::fromLocal8Bit(argv[in]) == arguments.at(out))
                argv[out++] = argv[in];
        }
        argc = out;
        argv[argc] = nullptr;
    }
    return options;
}
