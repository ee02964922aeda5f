#include "app/tray/TaskNotificationWindow.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "app/PipeAppConnectorClient.h"
#include "app/tray/RemindChoice.h"

#include <QComboBox>
#include <QDebug>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

bool lockHeld(const char* key)
{
    KaldoSharedMemory probe(key, "TaskNotificationWindow", 1);
    return probe.IsLocked();
}

} // namespace

TaskNotificationWindow::TaskNotificationWindow(QObject* parent) : TaskNotificationWindowInterface(parent) {}

TaskNotificationWindow::~TaskNotificationWindow()
{
    closeDialogs();
}

std::vector<QDialog*> TaskNotificationWindow::dialogs() const
{
    std::vector<QDialog*> open;
    for (const QPointer<QDialog>& dialog : m_dialogs) {
        if (dialog)
            open.push_back(dialog);
    }
    return open;
}

void TaskNotificationWindow::showQANotification(std::vector<int> groupIds)
{
    if (lockHeld(SHARED_MEMORY_KEY_SCHEDULING)) {
        qDebug() << "TaskNotificationWindow::showQANotification. Scheduling sharedmemory grabbed - stops";
        emit finished();
        return;
    }
    if (lockHeld(SHARED_MEMORY_KEY_CALIBRATION)) {
        qDebug() << "TaskNotificationWindow::showQANotification. Calibration sharedmemory grabbed - stops";
        emit finished();
        return;
    }
    QStringList groups;
    for (const int id : groupIds)
        groups << QString::number(id);
    open(tr("QA groups") + QLatin1Char(' ') + groups.join(QStringLiteral("<br/><br/>")),
         OrvantaProcess::runQA(groups));
}

void TaskNotificationWindow::showUserNotification(int taskId, bool background)
{
    if (m_silent) {
        qDebug() << "TaskNotificationWindow::showUserNotification silent mode, nothing shown";
        emit finished();
        return;
    }
    AppPreferences::set(QStringLiteral("RunTaskMode"), QStringLiteral("manual"));
    qDebug() << "TaskNotificationWindow::showUserNotification task" << taskId << "background" << background;
    open(tr("Task") + QLatin1Char(' ') + QString::number(taskId),
         OrvantaProcess::runUserTask(QStringLiteral("runusr"), {QString::number(taskId)}));
}

void TaskNotificationWindow::open(const QString& taskText, QStringList arguments)
{
    closeDialogs();
    m_arguments = std::move(arguments);
    auto* dialog = new QDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Notification"));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(
        tr("A test is due on this display now:") + QStringLiteral("<br/><br/>") + taskText, dialog));
    auto* row = new QHBoxLayout;
    auto* perform = new QPushButton(tr("Perform Scheduled Tasks"), dialog);
    auto* later = new QPushButton(tr("Remind Me In"), dialog);
    QComboBox* choice = RemindChoice::create(dialog);
    row->addWidget(perform);
    row->addWidget(later);
    row->addWidget(choice);
    layout->addLayout(row);
    connect(perform, &QPushButton::clicked, this, &TaskNotificationWindow::perform);
    connect(later, &QPushButton::clicked, this, [this, choice] { remind(choice->currentData().toInt()); });
    m_dialogs.emplace_back(dialog);
    qDebug() << "start event loop";
    emit shown();
    dialog->show();
}

void TaskNotificationWindow::perform()
{
    qDebug() << "TaskNotificationWindow::perform" << m_arguments;
    emit startTasks(m_arguments);
    PipeAppConnectorClient::instance()->sendMessage(QStringLiteral("regenTables"), QStringLiteral("1"));
    closeDialogs();
    qDebug() << "WaitForNotifyResult end";
    emit finished();
}

void TaskNotificationWindow::remind(int seconds)
{
    m_lastDelay = seconds;
    qDebug() << "case NResultRejected (user), notifyDelay_ =" << seconds;
    PipeAppConnectorClient::instance()->sendMessage(QStringLiteral("regenTables"), QStringLiteral("1"));
    AppPreferences::set(QStringLiteral("RunTaskMode"), QStringLiteral("manual"));
    emit signalRemindIn(seconds);
    emit rejected();
    emit finished();
    closeDialogs();
    qDebug() << "WaitForNotifyResult end";
}

void TaskNotificationWindow::slotMessageFinished()
{
    qDebug() << "TaskNotificationWindow::slotMessageFinished";
}

void TaskNotificationWindow::slotStopNotificationWithoutRemind()
{
    if (dialogs().empty())
        return;
    closeDialogs();
    emit finished();
}

void TaskNotificationWindow::closeDialogs()
{
    const bool wereOpen = !dialogs().empty();
    for (const QPointer<QDialog>& dialog : m_dialogs) {
        if (dialog)
            dialog->close();
    }
    m_dialogs.clear();
    if (wereOpen)
        emit hidden();
}
