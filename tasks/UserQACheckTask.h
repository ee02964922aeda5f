#pragma once

#include "tasks/Task.h"

#include <QStringList>

#include <memory>

class OrvantaProcess;

// Looks for a due user task and, without one that can be offered now, for due QA
// groups, and raises at most one notification per run. The window that shows it
// ends the task when the user has answered.
class UserQACheckTask : public Task
{
    Q_OBJECT
public:
    UserQACheckTask(const QString& name, qint64 timeout, qint64 first,
                    std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);
    ~UserQACheckTask() override;

    void run() override;
    void terminate() override;
    void wakeUpDisplay(int displayId);

signals:
    void startTasks(QStringList arguments);

public slots:
    void slotRefreshTables();

private:
    std::unique_ptr<OrvantaProcess> m_process;
};
