#include "tests/support/TestWorkstation.h"

#include "platform/Platform.h"
#include "platform/PlatformOptions.h"

#include <QFile>

bool TestWorkstation::select(const QString& file, QString* error)
{
    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    options.workstation = file;
    return Platform::select(options, error);
}

bool TestWorkstation::select(const QString& file, const QByteArray& json, QString* error)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(json) != json.size()) {
        if (error)
            *error = QStringLiteral("cannot write the workstation file %1").arg(file);
        return false;
    }
    out.close();
    return select(file, error);
}
