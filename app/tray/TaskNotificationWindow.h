#pragma once

#include "tasks/TaskNotificationWindowInterface.h"

#include <QPointer>

#include <memory>
#include <vector>

class QDialog;

// Tells the user that a user task or QA check is due and, on "Perform Scheduled Tasks",
// starts the main application for it; "Remind Me In" postpones it. The dialogs are
// shown without a nested event loop: the answer arrives as a signal, so nothing waits.
class TaskNotificationWindow : public TaskNotificationWindowInterface
{
    Q_OBJECT
public:
    explicit TaskNotificationWindow(QObject* parent = nullptr);
    ~TaskNotificationWindow() override;

    void setSilent(bool silent) { m_silent = silent; }
    // The open dialogs, one per notification.
    std::vector<QDialog*> dialogs() const;
    // The delay of the last "Remind Me In", in seconds.
    int lastDelay() const { return m_lastDelay; }

public slots:
    void showQANotification(std::vector<int> groupIds) override;
    void showUserNotification(int taskId, bool background) override;
    void slotMessageFinished() override;
    void slotStopNotificationWithoutRemind() override;
    // Answers the open notification as the user's buttons do.
    void perform();
    void remind(int seconds);

private:
    void open(const QString& taskText, QStringList arguments);
    void closeDialogs();

    std::vector<QPointer<QDialog>> m_dialogs;
    QStringList m_arguments;
    bool m_silent = false;
    int m_lastDelay = 0;
};
