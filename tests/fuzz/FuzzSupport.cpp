#include "tests/fuzz/FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtGlobal>

namespace {

void drop(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

namespace FuzzSupport {

void quiet()
{
    static const bool done = (qInstallMessageHandler(drop), true);
    Q_UNUSED(done);
}

QString scratchFolder()
{
    static const QString folder = [] {
        QString path = qEnvironmentVariable("LUTLOADER_DATA_DIR");
        if (path.isEmpty()) {
            path = QDir::temp().filePath(
                QStringLiteral("lutloader-fuzz-%1").arg(QCoreApplication::applicationPid()));
            qputenv("LUTLOADER_DATA_DIR", QFile::encodeName(path));
        }
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

} // namespace FuzzSupport
