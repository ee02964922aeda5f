#include "platform/OSUtils.h"

#include "platform/FilePermissions.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QJsonObject>

bool OSUtils::setFullPermissions(const QString& path)
{
    return Platform::backend().filePermissions().setFullPermissions(path);
}

QString OSUtils::computerName()
{
    return Platform::backend().session().computerName();
}

namespace {

bool setAllMonitorsPower(const char* state)
{
    SimWorkstation* workstation = Platform::workstation();
    if (!workstation) {
        qDebug() << "OSUtils: switching all monitors" << state << "is not available on"
                 << Platform::backend().name();
        return false;
    }
    const QJsonObject answer = workstation->apply(
        {{QStringLiteral("cmd"), QStringLiteral("power")}, {QStringLiteral("state"), QLatin1String(state)}});
    return answer.value(QStringLiteral("ok")).toBool();
}

} // namespace

bool OSUtils::turnondisplay()
{
    return setAllMonitorsPower("on");
}

bool OSUtils::turnoffdisplay()
{
    return setAllMonitorsPower("off");
}
