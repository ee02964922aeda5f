#pragma once

#include "tasks/Task.h"

#include <QTime>

#include <atomic>
#include <memory>

class KaldoSharedMemory;

// Puts the displays to sleep inside the user's energy-save hours (after the energy
// window's countdown) and wakes them outside, counting awake time per display and day.
class EnergyModeTask : public Task
{
    Q_OBJECT
public:
    // The window counts down 30 s and may be postponed; the tray switches power
    // over DDC/CI. Neither may hold the runner for ever.
    static constexpr std::chrono::seconds answerBound{300};
    static constexpr qint64 offerInterval = 3600;
    static constexpr qint64 statisticInterval = 600;

    EnergyModeTask(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock = {},
                   QObject* parent = nullptr);
    ~EnergyModeTask() override;

    bool canWorkInSleep() const override { return true; }
    void run() override;

    // Whether `now` falls in the window from `start` to `end`, which runs through
    // midnight when start is not before end.
    static bool isInside(const QTime& start, const QTime& end, const QTime& now);
    // "hh:mm" as stored, also accepting a single-digit hour ("6:00"); invalid otherwise.
    static QTime parseTime(const QString& text);
    // The first instant after `now` at which the local time of day is `time`.
    static qint64 nextOccurrence(const QTime& time, qint64 now);
    // Forgets the process-wide offer and statistics times (a new agent run).
    static void resetProcessState();

    void showNotificationOrWait();
    void addStatisticInfo();

public slots:
    void slotEnergyModeEntered();
    void slotEnergeModeExit();
    // The energy window's and the tray's answers; ignored unless this task asked.
    void windowAccepted();
    void windowRejected();
    void powerControlFinished();

signals:
    void signalStartEnergyWindow();
    void signalTurnOnDisplays();
    void signalTurnOffDisplays();

protected:
    void runAbandoned() override;

private:
    enum class Waiting
    {
        Nothing,
        Window,
        Power
    };

    void finish();
    void finishAwake();

    std::unique_ptr<KaldoSharedMemory> m_lock;
    Waiting m_waiting = Waiting::Nothing;
    static std::atomic<qint64> s_lastOffer;
    static std::atomic<qint64> s_lastStatistic;
};
