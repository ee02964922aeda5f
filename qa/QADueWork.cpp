#include "qa/QADueWork.h"

#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/DBPreferences.h"
#include "db/DBStatusDisplays.h"
#include "db/KaldoDynamicData.h"
#include "qa/DBQATaskEditTime.h"
#include "qa/QAScheduling.h"
#include "qa/QASchedulingGroups.h"
#include "qa/QASchedulingSteps.h"
#include "qa/UserScheduling.h"

#include <QDateTime>
#include <QDebug>
#include <QJsonArray>

#include <algorithm>

namespace {

QString iso(qint64 time)
{
    return QDateTime::fromSecsSinceEpoch(time).toString(Qt::ISODate).left(19);
}

} // namespace

QADueWork QADueWork::collect(qint64 now)
{
    QADueWork work;
    const QList<int> planned = QAScheduling::plannedDisplays();
    for (auto it = UserScheduling().nearestTasks(now); !it.IsNull(); ++it) {
        const int display = it.value(QStringLiteral("displayid")).toInt();
        if (!planned.contains(display))
            continue;
        work.userTasks.append(
            {it.value(QStringLiteral("taskid")).toInt(), display,
             UserScheduling::GetTaskTypeByTaskTypeId(it.value(QStringLiteral("tasktype_id"))),
             it.value(QStringLiteral("nextrun")).toLongLong()});
    }

    QASchedulingGroups groups;
    QASchedulingSteps steps;
    DBQATaskEditTime enabled;
    for (auto it = groups.nearestTasks(now); !it.IsNull(); ++it) {
        const int groupId = it.value(QStringLiteral("groupid")).toInt();
        const int display = it.value(QStringLiteral("displayid")).toInt();
        if (!planned.contains(display) || groups.isDelayedFromNow(groupId, now))
            continue;
        work.dueGroups.append({groupId, display, groups.getGroup(groupId).value(QStringLiteral("qatype")),
                               it.value(QStringLiteral("nextdate")).toLongLong()});
        bool any = false;
        for (auto step = steps.getGroup(groupId); !step.IsNull() && !any; ++step)
            any = enabled.IsTaskEnable(step.value(QStringLiteral("stepid")).toInt(),
                                       step.value(QStringLiteral("displayid")).toInt());
        if (any)
            work.enabledGroupIds.push_back(groupId);
    }
    work.qaExcluded =
        DBPreferences().getValue(QStringLiteral("ExcludeQANotofication")) == QLatin1String("true");

    DBStatusDisplays statuses;
    for (const int display : planned) {
        QString value;
        if (statuses.GetStatusInfo(display, QStringLiteral("all_qa_steps_ok"), value) && value.toInt() == 0)
            work.failedDisplays << display;
    }
    return work;
}

qint64 QADueWork::nextChange(qint64 now)
{
    // Make sure the tables exist before they are read.
    const UserScheduling tasks;
    const QASchedulingGroups groups;
    // A postponement ends for the due query when its end is reached, for the plan's clean-up one
    // second later.
    const auto row = DB::get()->query(
        QStringLiteral(
            "SELECT min(moment) AS moment FROM (SELECT CAST(nextdate AS INTEGER) AS moment FROM ") +
            QASchedulingGroups::TABLE + QStringLiteral(" UNION ALL SELECT CAST(nextrun AS INTEGER) FROM ") +
            UserScheduling::TABLE + QStringLiteral(" UNION ALL SELECT CAST(dateFrom AS INTEGER) FROM ") +
            QASchedulingGroups::EXCEPTIONS +
            QStringLiteral(" UNION ALL SELECT CAST(dateTo AS INTEGER) FROM ") +
            QASchedulingGroups::EXCEPTIONS +
            QStringLiteral(" UNION ALL SELECT CAST(dateTo AS INTEGER) + 1 FROM ") +
            QASchedulingGroups::EXCEPTIONS + QStringLiteral(") WHERE moment > ?"),
        {now});
    return row.IsNull() ? 0 : row.value(QStringLiteral("moment")).toLongLong();
}

bool QADueWork::ambientCheckPending(int displayId, qint64 now)
{
    DBDisplays displays;
    const bool needed =
        displays.IsAmbientSensorSupport(displayId) &&
        displays.getDisplayInfo(displayId, QStringLiteral("AmbientSensor")) == QLatin1String("true");
    bool parsed = false;
    const qint64 lastCheck =
        displays.getDisplayInfo(displayId, QStringLiteral("LastAmbientCheck")).toLongLong(&parsed);
    qDebug() << "checkForAmbientNeeded" << needed << "time check" << lastCheck << now << now - 600;
    // An unreadable last check counts as an old one.
    return needed && (lastCheck != 0 || !parsed) && (!parsed || now - lastCheck > 600);
}

int QADueWork::chooseUserTask(const QList<UserTask>& tasks, qint64 now, QList<int>* wake,
                              const std::function<bool(int)>& blocked)
{
    DBDisplays displays;
    for (int i = 0; i < tasks.size(); ++i) {
        const int display = tasks.at(i).displayId;
        qDebug() << "try to found task" << tasks.at(i).taskId << "check task";
        if (blocked && blocked(display)) {
            qDebug() << "isdisplayBlockedByAmbient" << display;
            continue;
        }
        if (ambientCheckPending(display, now)) {
            if (wake && !wake->contains(display))
                wake->append(display);
            continue;
        }
        qDebug() << "check task end";
        return i;
    }
    return -1;
}

QJsonObject QADueWork::toJson() const
{
    QJsonArray users;
    for (const UserTask& task : userTasks)
        users.append(QJsonObject{{QStringLiteral("taskid"), task.taskId},
                                 {QStringLiteral("displayid"), task.displayId},
                                 {QStringLiteral("type"), task.type},
                                 {QStringLiteral("nextrun"), iso(task.nextRun)}});
    QJsonArray due;
    for (const Group& group : dueGroups) {
        const bool isEnabled =
            std::find(enabledGroupIds.begin(), enabledGroupIds.end(), group.groupId) != enabledGroupIds.end();
        due.append(QJsonObject{{QStringLiteral("groupid"), group.groupId},
                               {QStringLiteral("displayid"), group.displayId},
                               {QStringLiteral("name"), group.name},
                               {QStringLiteral("due"), iso(group.due)},
                               {QStringLiteral("enabled"), isEnabled}});
    }
    QJsonArray failed;
    for (const int display : failedDisplays)
        failed.append(display);
    // The scheduler offers the first usable user task; only without one does it look at QA groups.
    QString notify = QStringLiteral("none");
    if (!userTasks.isEmpty())
        notify = QStringLiteral("user");
    else if (!qaExcluded && !enabledGroupIds.empty())
        notify = QStringLiteral("qa");
    return {{QStringLiteral("userTasks"), users},
            {QStringLiteral("qaGroups"), due},
            {QStringLiteral("qaExcluded"), qaExcluded},
            {QStringLiteral("failedDisplays"), failed},
            {QStringLiteral("notify"), notify}};
}

QString QADueWork::toText() const
{
    QStringList lines;
    for (const UserTask& task : userTasks)
        lines << QStringLiteral("user task %1 (%2) on display %3 due %4")
                     .arg(task.taskId)
                     .arg(task.type)
                     .arg(task.displayId)
                     .arg(iso(task.nextRun));
    for (const Group& group : dueGroups)
        lines << QStringLiteral("QA group %1 \"%2\" on display %3 due %4")
                     .arg(group.groupId)
                     .arg(group.name)
                     .arg(group.displayId)
                     .arg(iso(group.due));
    if (qaExcluded)
        lines << QStringLiteral("QA notifications are excluded");
    for (const int display : failedDisplays)
        lines << QStringLiteral("the last QA of display %1 failed").arg(display);
    lines << QStringLiteral("would notify: ") + toJson().value(QStringLiteral("notify")).toString();
    return lines.join(QLatin1Char('\n'));
}
