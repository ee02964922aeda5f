#pragma once

#include "tasks/TaskNotificationWindowInterface.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

class QDialog;

// Tells the user that user tasks or QA checks are due, with one dialog on each display
// that has due work, and on "Perform Scheduled Tasks" starts the main application for
// it; "Remind Me In" postpones it. Answering any of the dialogs answers them all. The
// dialogs are shown without a nested event loop: the answer arrives as a signal, so
// nothing waits.
class TaskNotificationWindow : public TaskNotificationWindowInterface
{
    Q_OBJECT
public:
    // What the notification is about.
    enum class Kind
    {
        UserTask,
        QAGroups
    };
    // Moves the due work to `until` (seconds since 1970): one user task id, or QA group ids.
    using PostponeHandler = std::function<void(Kind kind, const std::vector<int>& ids, qint64 until)>;
    // Records that the user accepted a user task, so its schedule moves on.
    using StartedHandler = std::function<void(int taskId)>;

    explicit TaskNotificationWindow(QObject* parent = nullptr);
    ~TaskNotificationWindow() override;

    void setSilent(bool silent) { m_silent = silent; }
    // The scheduler replaces these with its own scheduling rules; the defaults write the
    // due time of the tasks and groups straight into the scheduling tables.
    void setPostponeHandler(PostponeHandler handler);
    void setStartedHandler(StartedHandler handler);
    // The seconds since 1970 that a postponement counts from (tests fix it).
    void setClock(std::function<qint64()> now);

    // The open dialogs, one per display with due work.
    std::vector<QDialog*> dialogs() const;
    // The display each open dialog is for, in the order of dialogs().
    std::vector<int> dialogDisplays() const;
    // The text each open dialog shows, in the order of dialogs().
    QStringList dialogTexts() const;
    // The delay of the last "Remind Me In", in seconds.
    int lastDelay() const { return m_lastDelay; }
    // The main application's argument list for the open notification.
    QStringList pendingArguments() const { return m_arguments; }

    // The name the user knows a user task type by ("cal" is "Calibration").
    static QString userTaskTypeName(const QString& typeId);

public slots:
    void showQANotification(std::vector<int> groupIds) override;
    void showUserNotification(int taskId, bool background) override;
    void slotMessageFinished() override;
    void slotStopNotificationWithoutRemind() override;
    void slotRetranslateGUI() override;
    // Answers the open notification as the user's buttons do.
    void perform();
    void remind(int seconds);

private:
    void open(Kind kind, const std::vector<int>& ids, const std::map<int, QStringList>& namesByDisplay,
              QStringList arguments);
    QDialog* createDialog(int displayId, const QStringList& names);
    void closeDialogs();
    void startAutoRun(int taskId, int displayId);
    void startMainApplication(const QStringList& arguments);
    static void postponeInTables(Kind kind, const std::vector<int>& ids, qint64 until);
    static void markStartedInTables(int taskId);

    struct OpenDialog
    {
        QPointer<QDialog> dialog;
        int displayId = -1;
        QString text;
    };

    std::vector<OpenDialog> m_dialogs;
    Kind m_kind = Kind::UserTask;
    std::vector<int> m_ids;
    QStringList m_arguments;
    PostponeHandler m_postpone;
    StartedHandler m_started;
    std::function<qint64()> m_now;
    bool m_silent = false;
    int m_lastDelay = 0;
};
