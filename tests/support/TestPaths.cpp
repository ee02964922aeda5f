#include "tests/support/TestPaths.h"

#include <QDir>

QString TestPaths::agentProgram()
{
    return QStringLiteral(LUTLOADER_BINARY_DIR "/app/lutloader");
}

QString TestPaths::ctlProgram()
{
    return QStringLiteral(LUTLOADER_BINARY_DIR "/app/lutloaderctl");
}

QString TestPaths::toolProgram(const QString& name)
{
    QString dir = qEnvironmentVariable("LUTLOADER_TEST_TOOLS");
    if (dir.isEmpty())
        dir = QStringLiteral(LUTLOADER_BINARY_DIR "/tools");
    return dir + QLatin1Char('/') + name;
}

QString TestPaths::dataDirectory()
{
    QString dir = qEnvironmentVariable("LUTLOADER_DATA_DIR");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/lutloader-test");
    QDir().mkpath(dir);
    return dir;
}

QString TestPaths::freshFolder(const QString& name)
{
    QDir dir(dataDirectory() + QLatin1Char('/') + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.path();
}
