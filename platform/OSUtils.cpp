#include "platform/OSUtils.h"

#include "platform/FilePermissions.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QJsonObject>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include "platform/linux/X11Dpms.h"
#endif

bool OSUtils::setFullPermissions(const QString& path)
{
    return Platform::backend().filePermissions().setFullPermissions(path);
}

QString OSUtils::computerName()
{
    return Platform::backend().session().computerName();
}

namespace {

#ifdef Q_OS_WIN
// The system's own monitor power message: -1 wakes the monitors, 2 switches them off. Sent with
// a time-out so a hung top-level window cannot stall the caller.
bool broadcastMonitorPower(bool on)
{
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER,
                                             on ? static_cast<LPARAM>(-1) : static_cast<LPARAM>(2),
                                             SMTO_ABORTIFHUNG, 1000, &result);
    if (sent == 0)
        qDebug() << "OSUtils: SC_MONITORPOWER failed, error" << GetLastError();
    return sent != 0;
}
#endif

bool setAllMonitorsPower(const char* state)
{
    SimWorkstation* workstation = Platform::workstation();
#ifdef Q_OS_WIN
    if (!workstation)
        return broadcastMonitorPower(qstrcmp(state, "on") == 0);
#else
    if (!workstation && Platform::backend().name() == QLatin1String("linux")) {
        QString error;
        const bool done = X11Dpms::force(qstrcmp(state, "on") == 0, &error);
        qDebug() << "OSUtils: DPMS monitors" << state << (done ? QStringLiteral("done") : error);
        return done;
    }
#endif
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
