#include "tasks/AmbientLightTask.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBDisplays.h"
#include "db/DBDisplaysAmbient.h"
#include "db/DBPreferences.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/ScreenSaver.h"
#include "sensors/CSensor.h"
#include "tasks/Clock.h"

#include <QDebug>

#include <atomic>

namespace {

// Process-wide: several task objects (tests, a re-created list) share one clean-up rhythm.
std::atomic<qint64> g_nextCleanup{0};

} // namespace

AmbientLightTask::AmbientLightTask(const QString& name, qint64 timeout, qint64 first,
                                   std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent), m_period(static_cast<unsigned long>(timeout))
{
}

qint64 AmbientLightTask::nextCleanup()
{
    return g_nextCleanup.load();
}

void AmbientLightTask::resetCleanup()
{
    g_nextCleanup = 0;
}

void AmbientLightTask::slotTaskFinish()
{
    emit finished();
}

void AmbientLightTask::run()
{
    qDebug() << "AmbientLightTask run()";
    KaldoSharedMemory lock(SHARED_MEMORY_KEY_CALIBRATION, "AmbientLightTask", 1);
    if (lock.IsLocked() || !lock.Lock()) {
        qDebug() << "AmbientLightTask run()1 calibration in progress";
        emit finished();
        return;
    }
    // A retry run looks only at the displays still outside the limits.
    const bool retry = !m_outside.isEmpty();
    DBDisplays table;
    QSet<int> outside;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        if (isTerminating())
            break;
        const int id = CurrentDisplays::DisplayId(i);
        if (retry && !m_outside.contains(id))
            continue;
        if (!table.IsAmbientSensorSupport(id))
            continue;
        bool within = true;
        if (measure(id, within) && !within)
            outside.insert(id);
    }
    m_outside = isTerminating() ? QSet<int>() : outside;
    if (!m_outside.isEmpty()) {
        qDebug() << "AmbientLightTask ambient light out of range, again in" << RemeasureSeconds << "s"
                 << m_outside;
        // The user must see that the room is too bright or too dark for the display; a
        // password-protected screen saver is the user's own lock and stays.
        Platform::backend().screenSaver().wakeForUser(QStringLiteral("AmbientLightTask"));
        setTimeout(RemeasureSeconds);
    } else {
        setTimeout(m_period);
    }
    emit finished();
}

bool AmbientLightTask::measure(int id, bool& within)
{
    DBDisplays table;
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(id);
    if (table.getDisplayInfo(id, QStringLiteral("AmbientSensor")) != QLatin1String("true") || !display ||
        !display->isDisplayWarmed())
        return false;
    const std::shared_ptr<CSensor> sensor = display->sensor();
    if (!sensor)
        return false;
    sensor->SetOption(0, true);
    double reading = 0;
    const bool measured = sensor->GetLuminance(reading);
    if (measured) {
        const double lux = reading * 100.0;
        within = SaveResults(lux, id);
        const bool wasBlocked = DisplayList::instance().isDisplayBlockedByAmbient(id);
        DisplayList::instance().setDisplayBlockedByAmbient(id, !within);
        if (!within)
            qDebug() << "AmbientLightTask display" << id << "blocked by ambient light" << lux << "lx";
        else if (wasBlocked)
            qDebug() << "AmbientLightTask display" << id << "no longer blocked by ambient light" << lux
                     << "lx";
    } else {
        qDebug() << "AmbientLightTask display" << id << "sensor gave no reading";
    }
    sensor->SetOption(0, false);
    const qint64 now = clock().now();
    table.setDisplayInfo(id, QStringLiteral("LastAmbientCheck"), QString::number(now));
    qDebug() << "set LastAmbientCheck" << now;
    display->unlockHardware();
    return measured;
}

bool AmbientLightTask::SaveResults(double lux, int displayId)
{
    DBPreferences preferences;
    const double min = preferences.getValue(QStringLiteral("MinAmbientLux")).toDouble();
    const double max = preferences.getValue(QStringLiteral("MaxAmbientLux")).toDouble();
    const bool ok = min <= lux && lux <= max;
    const qint64 now = clock().now();
    DBDisplaysAmbient history;
    history.AddAmbientValue(displayId, lux, static_cast<quint32>(now), ok);
    if (now >= g_nextCleanup.load()) {
        history.RemoveAmbientValues(displayId, now - HistoryDays * 86400);
        g_nextCleanup = now + CleanupIntervalSeconds;
    }
    StepsInfo info;
    info[QStringLiteral("name")] = QStringLiteral("AmbientLightTask");
    info[QStringLiteral("lum")] = QString::number(lux);
    info[QStringLiteral("lummax")] = QString::number(max);
    info[QStringLiteral("lummin")] = QString::number(min);
    info[QStringLiteral("displayid")] = QString::number(displayId);
    info[QStringLiteral("result")] = ok ? QStringLiteral("true") : QStringLiteral("false");
    emit signalInfo(info);
    return ok;
}
