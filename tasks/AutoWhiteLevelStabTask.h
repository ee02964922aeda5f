#pragma once

#include "tasks/Task.h"

#include <QStringList>

#include <memory>

class OrvantaProcess;

// Asks the main application to re-stabilise the white level of a display with a built-in
// sensor whose LUT is loaded; the task ends when the main application does.
class AutoWhiteLevelStabTask : public Task
{
    Q_OBJECT
public:
    // The longest the task waits for the tray to say whether a LUT is loaded.
    static constexpr int AnswerWaitMs = 10000;
    // A stabilisation measures a handful of patches with the built-in sensor, minutes at most;
    // one still going after half an hour is stuck, and every other background task waits
    // behind it.
    static constexpr std::chrono::seconds answerBound{1800};
    // A run given up on (the agent stops, or the bound passed) is asked to end first, so the
    // main application can put the display back; the agent's stop gives the runner ten
    // seconds in all, and these two waits stay well inside them.
    static constexpr int EndGraceMs = 3000;
    static constexpr int KillWaitMs = 2000;

    AutoWhiteLevelStabTask(const QString& name, qint64 timeout, qint64 first,
                           std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);
    ~AutoWhiteLevelStabTask() override;

    void run() override;
    // The background test of the scheduler: a built-in sensor that shows its own patch or
    // knows its place on the screen, and "InternalSensor" stored as "true".
    static bool canRunInBackground(int displayId);

signals:
    void signalIsLUTLoad(int displayId);

public slots:
    void slotIsLUTLoad(bool loaded);
    void runOrvanta(const QStringList& arguments);
    void orvantaFinished();

protected:
    void runAbandoned() override;

private:
    bool askLUTLoaded(int displayId);

    std::unique_ptr<OrvantaProcess> m_process;
    int m_displayId = -1;
    bool m_answered = false;
    bool m_loaded = false;
};
