#include "platform/linux/LinuxSystemLog.h"

#include <syslog.h>

void LinuxSystemLog::warning(const QString& text) const
{
    ::openlog("lutloader", LOG_PID, LOG_USER);
    ::syslog(LOG_WARNING, "%s", text.toUtf8().constData());
    ::closelog();
}
