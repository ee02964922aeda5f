#include "tasks/UpdateAmbientTask.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBDisplays.h"
#include "db/DBPreferences.h"
#include "displays/BaseDisplay.h"
#include "lut/DisplayList.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace {

// A range read back from the preferences went through text; a display that reports more
// digits must not count as a new range on every run.
bool sameLux(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

QString luxText(double lux)
{
    return QString::number(lux, 'g', 15);
}

} // namespace

UpdateAmbientTask::UpdateAmbientTask(const QString& name, qint64 timeout, qint64 first,
                                     std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent),
      m_lock(std::make_unique<KaldoSharedMemory>(SHARED_MEMORY_KEY_CALIBRATION, "UpdateAmbientTask", 1))
{
}

UpdateAmbientTask::~UpdateAmbientTask() = default;

void UpdateAmbientTask::run()
{
    qDebug() << "UpdateAmbientTask::run()";
    if (m_lock->IsLocked() || !m_lock->Lock()) {
        qDebug() << "UpdateAmbientTask::run() calibration in progress";
        emit finished();
        return;
    }
    DBPreferences preferences;
    QString source = preferences.getValue(QStringLiteral("AmbientSource"));
    if (source.isEmpty())
        source = QStringLiteral("default");
    double minLux = preferences.getValue(QStringLiteral("MinAmbientLux")).toDouble();
    double maxLux = preferences.getValue(QStringLiteral("MaxAmbientLux")).toDouble();
    qDebug() << "UpdateAmbientTask source" << source << "min" << minLux << "max" << maxLux;

    bool rangeChanged = false;
    bool supplied = false;
    DBDisplays table;
    for (const auto& [id, display] : DisplayList::instance().displayObjects()) {
        qDebug() << "try displayid" << id;
        if (display->hasAmbientConditions()) {
            display->hardwareReconnect();
            double displayMin = 0;
            double displayMax = 0;
            if (display->ambientConditions(displayMin, displayMax) &&
                (!sameLux(displayMin, minLux) || !sameLux(displayMax, maxLux))) {
                if ((source == QLatin1String("default") || source == QLatin1String("display")) && !supplied) {
                    qDebug() << "save display ambient to db" << displayMin << displayMax;
                    minLux = displayMin;
                    maxLux = displayMax;
                    source = QStringLiteral("display");
                    rangeChanged = true;
                    supplied = true;
                } else {
                    qDebug() << "save ambient to display" << id;
                    if (!display->setAmbientConditions(minLux, maxLux))
                        qDebug() << "fail to save ambient" << id;
                }
            } else if (!supplied && display->ok()) {
                // A display whose range already matches still counts as the one that gave it.
                supplied = source == QLatin1String("display");
            }
        }
        if (display->hasPresenceSensor()) {
            display->hardwareReconnect();
            QString storedSource;
            const bool stored = table.GetPresenceSensor(id, &storedSource);
            if (storedSource.isEmpty())
                storedSource = QStringLiteral("default");
            bool own = false;
            if (display->presenceSensor(own) && own != stored) {
                qDebug() << "has presence sensor" << own;
                if (storedSource == QLatin1String("default") || storedSource == QLatin1String("display")) {
                    qDebug() << "save display present sensor to DB" << id;
                    table.SetPresenceSensor(id, own, QStringLiteral("display"));
                } else if (preferences.getValue(QStringLiteral("tempPresence")) !=
                           QLatin1String("deactivated")) {
                    qDebug() << "save presence sensor to display" << id;
                    if (!display->setPresenceSensor(stored))
                        qDebug() << "fail to save presence sensor" << id;
                }
            }
        }
    }
    if (rangeChanged) {
        qDebug() << "save ambient changes";
        preferences.setValue(QStringLiteral("AmbientSource"), source);
        preferences.setValue(QStringLiteral("MinAmbientLux"), luxText(minLux));
        preferences.setValue(QStringLiteral("MaxAmbientLux"), luxText(maxLux));
    }
    m_lock->Unlock();
    emit finished();
    qDebug() << "UpdateAmbientTask::run() end";
}
