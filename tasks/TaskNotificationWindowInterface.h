#pragma once

#include <QObject>
#include <QStringList>

#include <vector>

// The window that tells the user a user task or QA check is due, as tasks and the
// tray reach it. It builds one dialog per display, so it is an object, not a dialog.
class TaskNotificationWindowInterface : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TaskNotificationWindowInterface() override = default;

signals:
    void shown();
    void hidden();
    void startTasks(const QStringList arguments);
    void signalActionsEnabled(bool enable);
    void signalShowMessage(QString text);
    void signalTurnOnDisplays();
    void finished();
    void rejected();
    // "Remind Me In": the offered work is to come back in `seconds`.
    void signalRemindIn(int seconds);

public slots:
    virtual void showQANotification(std::vector<int> groupIds) = 0;
    virtual void showUserNotification(int taskId, bool background) = 0;
    virtual void slotMessageFinished() = 0;
    virtual void slotStopNotificationWithoutRemind() = 0;
    // The texts follow a language change.
    virtual void slotRetranslateGUI() {}
};
