#include "app/tray/TaskNotificationWindow.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "app/PipeAppConnectorClient.h"
#include "app/tray/RemindChoice.h"
#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/KaldoDataIterator.h"
#include "db/KaldoDynamicData.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/ScreenSaver.h"

#include <QComboBox>
#include <QDateTime>
#include <QDebug>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// An unattended run gives the display this long before the main application takes it.
constexpr int kAutoStartDelayMs = 5000;

bool lockHeld(const char* key)
{
    KaldoSharedMemory probe(key, "TaskNotificationWindow", 1);
    return probe.IsLocked();
}

void sendRegenTables()
{
    PipeAppConnectorClient::instance()->sendMessage(QStringLiteral("regenTables"), QStringLiteral("1"));
}

} // namespace

TaskNotificationWindow::TaskNotificationWindow(QObject* parent)
    : TaskNotificationWindowInterface(parent), m_postpone(&TaskNotificationWindow::postponeInTables),
      m_started(&TaskNotificationWindow::markStartedInTables),
      m_now([] { return QDateTime::currentSecsSinceEpoch(); })
{
}

TaskNotificationWindow::~TaskNotificationWindow()
{
    closeDialogs();
}

void TaskNotificationWindow::setPostponeHandler(PostponeHandler handler)
{
    m_postpone = handler ? std::move(handler) : PostponeHandler(&TaskNotificationWindow::postponeInTables);
}

void TaskNotificationWindow::setStartedHandler(StartedHandler handler)
{
    m_started = handler ? std::move(handler) : StartedHandler(&TaskNotificationWindow::markStartedInTables);
}

void TaskNotificationWindow::setClock(std::function<qint64()> now)
{
    if (now)
        m_now = std::move(now);
}

std::vector<QDialog*> TaskNotificationWindow::dialogs() const
{
    std::vector<QDialog*> open;
    for (const OpenDialog& entry : m_dialogs) {
        if (entry.dialog)
            open.push_back(entry.dialog);
    }
    return open;
}

std::vector<int> TaskNotificationWindow::dialogDisplays() const
{
    std::vector<int> displays;
    for (const OpenDialog& entry : m_dialogs) {
        if (entry.dialog)
            displays.push_back(entry.displayId);
    }
    return displays;
}

QStringList TaskNotificationWindow::dialogTexts() const
{
    QStringList texts;
    for (const OpenDialog& entry : m_dialogs) {
        if (entry.dialog)
            texts << entry.text;
    }
    return texts;
}

QString TaskNotificationWindow::userTaskTypeName(const QString& typeId)
{
    static const std::map<QString, const char*> names = {
        {QStringLiteral("cal"), "Calibration"},
        {QStringLiteral("con"), "Calibration Conformance"},
        {QStringLiteral("awl"), "Display Luminance Calibration"},
        {QStringLiteral("vwl"), "Display Luminance Conformance"},
        {QStringLiteral("vun"), "Uniformity Conformance"},
        {QStringLiteral("dtp"), "Display Test Pattern"},
        {QStringLiteral("ovt"), "Online Visual Display Test"},
        {QStringLiteral("mmi"), "MQSA Monitor Inspection"},
        {QStringLiteral("fbs"), "Full Black Surface Test"},
        {QStringLiteral("ela"), "Everlight ANZ QA"},
        {QStringLiteral("sur"), "SMPTE US Rad"},
        {QStringLiteral("icc"), "Create ICC Profile"}};
    const auto it = names.find(typeId);
    return it == names.end() ? QString() : tr(it->second);
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
    if (groupIds.empty()) {
        qDebug() << "TaskNotificationWindow::showQANotification no groups";
        emit finished();
        return;
    }
    std::map<int, QStringList> namesByDisplay;
    QStringList arguments;
    const auto db = DB::get();
    for (const int groupId : groupIds) {
        KaldoDataIterator row = db->query(
            QStringLiteral("SELECT displayid, qatype FROM QASchedulingGroups WHERE groupid = ?"), {groupId});
        const int displayId = row.IsNull() ? -1 : row.value(QStringLiteral("displayid")).toInt();
        QString name = row.IsNull() ? QString() : row.value(QStringLiteral("qatype"));
        if (name.isEmpty())
            name = tr("QA test %1").arg(groupId);
        namesByDisplay[displayId] << name;
        // Each due group with the display it is due on.
        arguments << QString::number(groupId) << QString::number(displayId);
    }
    open(Kind::QAGroups, groupIds, namesByDisplay, OrvantaProcess::runQA(arguments));
}

void TaskNotificationWindow::showUserNotification(int taskId, bool background)
{
    if (m_silent) {
        qDebug() << "TaskNotificationWindow::showUserNotification silent mode, nothing shown";
        emit finished();
        return;
    }
    AppPreferences::set(QStringLiteral("RunTaskMode"), QStringLiteral("manual"));
    const ScreenSaver& screenSaver = Platform::backend().screenSaver();
    qDebug() << "blockedByScreensaver:" << (screenSaver.isRunning() && screenSaver.isSecure());
    screenSaver.keepAwake();
    qDebug() << "TaskNotificationWindow::showUserNotification task" << taskId << "background" << background;
    KaldoDataIterator row = DB::get()->query(
        QStringLiteral("SELECT displayid, tasktype_id, tasktype FROM UserScheduling WHERE taskid = ?"),
        {taskId});
    if (row.IsNull()) {
        qWarning() << "TaskNotificationWindow::showUserNotification no scheduled task" << taskId;
        emit finished();
        return;
    }
    const int displayId = row.value(QStringLiteral("displayid")).toInt();
    const QString typeId = row.value(QStringLiteral("tasktype_id"));
    if (background &&
        DBDisplays().getDisplayInfo(displayId, QStringLiteral("InternalSensor")) == QLatin1String("true")) {
        startAutoRun(taskId, displayId);
        return;
    }
    QString name = userTaskTypeName(typeId);
    if (name.isEmpty())
        name = row.value(QStringLiteral("tasktype"));
    if (name.isEmpty())
        name = tr("Task %1").arg(taskId);
    open(Kind::UserTask, {taskId}, {{displayId, {name}}},
         OrvantaProcess::runUserTask(typeId, {QString::number(taskId)}));
}

// The display measures itself with its built-in sensor: nobody needs to be asked.
void TaskNotificationWindow::startAutoRun(int taskId, int displayId)
{
    qDebug() << "start in auto mode"
             << "task" << taskId << "display" << displayId;
    AppPreferences::set(QStringLiteral("RunTaskMode"), QStringLiteral("auto"));
    m_kind = Kind::UserTask;
    m_ids = {taskId};
    const QStringList arguments =
        OrvantaProcess::runUserTask(QStringLiteral("auto"), {QString::number(taskId)});
    QTimer::singleShot(kAutoStartDelayMs, this, [this, taskId, arguments] {
        m_arguments = arguments;
        startMainApplication(arguments);
        m_started(taskId);
        sendRegenTables();
        emit finished();
    });
}

void TaskNotificationWindow::startMainApplication(const QStringList& arguments)
{
    emit startTasks(arguments);
    // The scheduler starts the main application when it listens; without it, start it here.
    if (isSignalConnected(QMetaMethod::fromSignal(&TaskNotificationWindowInterface::startTasks)))
        return;
    auto* process = new OrvantaProcess(this);
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(arguments);
}

void TaskNotificationWindow::open(Kind kind, const std::vector<int>& ids,
                                  const std::map<int, QStringList>& namesByDisplay, QStringList arguments)
{
    closeDialogs();
    m_kind = kind;
    m_ids = ids;
    m_arguments = std::move(arguments);
    for (const auto& [displayId, names] : namesByDisplay)
        m_dialogs.push_back({createDialog(displayId, names), displayId,
                             tr("A test is due on this display now:") + QStringLiteral("<br/><br/>") +
                                 names.join(QStringLiteral("<br/><br/>"))});
    qDebug() << "start event loop";
    emit shown();
    for (const OpenDialog& entry : m_dialogs) {
        entry.dialog->show();
        entry.dialog->raise();
    }
}

QDialog* TaskNotificationWindow::createDialog(int displayId, const QStringList& names)
{
    auto* dialog = new QDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Notification"));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(tr("A test is due on this display now:") + QStringLiteral("<br/><br/>") +
                                     names.join(QStringLiteral("<br/><br/>")),
                                 dialog));
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
    // On the display the work is due on, where the user will look for it.
    if (CurrentDisplays::IsDisplayConnected(displayId)) {
        const QRect rect = CurrentDisplays::DisplayById(displayId).rect();
        if (rect.isValid()) {
            dialog->adjustSize();
            dialog->move(rect.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
        }
    }
    return dialog;
}

void TaskNotificationWindow::perform()
{
    if (dialogs().empty())
        return;
    qDebug() << "TaskNotificationWindow::perform" << m_arguments;
    startMainApplication(m_arguments);
    if (m_kind == Kind::UserTask)
        for (const int taskId : m_ids)
            m_started(taskId);
    sendRegenTables();
    closeDialogs();
    qDebug() << "WaitForNotifyResult end";
    emit finished();
}

void TaskNotificationWindow::remind(int seconds)
{
    if (dialogs().empty())
        return;
    m_lastDelay = seconds;
    qDebug() << "case NResultRejected (user), notifyDelay_ =" << seconds;
    m_postpone(m_kind, m_ids, m_now() + seconds);
    sendRegenTables();
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
    qDebug() << "TaskNotificationWindow::slotStopNotificationWithoutRemind";
    closeDialogs();
    emit finished();
}

// The dialogs are built when a notification opens, in the language of that moment.
void TaskNotificationWindow::slotRetranslateGUI() {}

void TaskNotificationWindow::closeDialogs()
{
    const bool wereOpen = !dialogs().empty();
    for (const OpenDialog& entry : m_dialogs) {
        if (entry.dialog)
            entry.dialog->close();
    }
    m_dialogs.clear();
    if (wereOpen)
        emit hidden();
}

void TaskNotificationWindow::postponeInTables(Kind kind, const std::vector<int>& ids, qint64 until)
{
    const auto db = DB::get();
    for (const int id : ids) {
        const bool ok =
            kind == Kind::UserTask
                ? db->exec(QStringLiteral("UPDATE UserScheduling SET nextrun = ? WHERE taskid = ?"),
                           {until, id})
                : db->exec(QStringLiteral("UPDATE QASchedulingGroups SET nextdate = ? WHERE groupid = ?"),
                           {QString::number(until), id});
        if (ok)
            qDebug() << (kind == Kind::UserTask ? "UserScheduling::delayTask task" : "QA group") << id
                     << "is being delayed till" << until;
        else
            qWarning() << "TaskNotificationWindow: postponing" << id << "failed:" << db->lastError();
    }
}

void TaskNotificationWindow::markStartedInTables(int taskId)
{
    const auto db = DB::get();
    if (!db->exec(QStringLiteral("UPDATE UserScheduling SET lastrun = ? WHERE taskid = ?"),
                  {QDateTime::currentSecsSinceEpoch(), taskId}))
        qWarning() << "TaskNotificationWindow: recording the start of task" << taskId
                   << "failed:" << db->lastError();
}
