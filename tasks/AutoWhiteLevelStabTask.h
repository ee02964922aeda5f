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

private:
    bool askLUTLoaded(int displayId);

    std::unique_ptr<OrvantaProcess> m_process;
    bool m_answered = false;
    bool m_loaded = false;
};
