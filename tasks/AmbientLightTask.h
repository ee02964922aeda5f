#pragma once

#include "tasks/Task.h"

#include <QSet>

// Measures the room light with the sensors built into displays and blocks a display for
// diagnostic work while the light is outside the allowed range. While a display stays
// outside, the task comes back every 5 seconds for that display only, instead of waiting
// inside one run: the runner goes on with other due tasks between two measurements, and a
// session lock or the runner's stop ends the loop like any other task.
class AmbientLightTask : public Task
{
    Q_OBJECT
public:
    static constexpr int RemeasureSeconds = 5;
    static constexpr qint64 HistoryDays = 20;
    static constexpr qint64 CleanupIntervalSeconds = 3600;

    AmbientLightTask(const QString& name, qint64 timeout, qint64 first,
                     std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);

    void run() override;
    // Stores a reading (lux) of the display and says whether it is within the limits.
    bool SaveResults(double lux, int displayId);
    // The displays waiting for a reading back inside the limits.
    const QSet<int>& outsideLimits() const { return m_outside; }

    static qint64 nextCleanup();
    static void resetCleanup();

public slots:
    void slotTaskFinish() override;

private:
    // One reading of the display; false when it had none to give.
    bool measure(int displayId, bool& within);

    unsigned long m_period;
    QSet<int> m_outside;
};
