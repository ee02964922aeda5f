#include "tasks/DisplaysHoursRefreshTask.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBDisplays.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayFactory.h"
#include "lut/DisplayList.h"

#include <QDebug>

#include <memory>

namespace {

QString hoursText(double hours)
{
    return QString::number(hours, 'g', 6);
}

} // namespace

void DisplaysHoursRefreshTask::run()
{
    qDebug() << "DisplaysHoursRefreshTask run()";
    KaldoSharedMemory lock(SHARED_MEMORY_KEY_CALIBRATION, "DisplaysRefreshTask", 1);
    if (lock.IsLocked() || !lock.Lock()) {
        qDebug() << "DisplaysHoursRefreshTask - calibration in progress - stops";
        emit finished();
        return;
    }
    refreshHours();
    emit finished();
}

int DisplaysHoursRefreshTask::refreshHours()
{
    DBDisplays table;
    int written = 0;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        const int id = CurrentDisplays::DisplayId(i);
        // The agent keeps its display objects in the display list; the factory's cache only
        // holds what a command-line detection built.
        std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(id);
        if (!display)
            display = DisplayFactory::cached(id);
        if (!display)
            continue; // nobody has built it (yet): nothing to ask
        display->hardwareReconnect();
        const double work = display->operationHours();
        const double lifetime = display->lifetimeHours();
        qDebug().noquote() << "DisplaysHoursRefreshTask display" << id << "hours" << work << "lifetime"
                           << lifetime;
        const bool ok =
            (work < 0 || table.setDisplayInfo(id, QStringLiteral("WorkHours"), hoursText(work))) &&
            (lifetime < 0 || table.setDisplayInfo(id, QStringLiteral("LifetimeHours"), hoursText(lifetime)));
        if (ok)
            ++written;
        else
            qWarning() << "DisplaysHoursRefreshTask - hours of display" << id << "not stored";
    }
    return written;
}
