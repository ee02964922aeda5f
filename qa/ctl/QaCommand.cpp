#include "qa/ctl/QaCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DBPreferences.h"
#include "qa/QADueWork.h"
#include "qa/QAScheduling.h"
#include "qa/QASchedulingGroups.h"
#include "qa/QASchedulingSteps.h"
#include "qa/ctl/QaChecksCommand.h"
#include "qa/ctl/QaCtlSupport.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonArray planRows(qint64 now, QString* text)
{
    QJsonArray rows;
    QASchedulingGroups groups;
    QASchedulingSteps steps;
    for (auto it = groups.begin(); !it.IsNull(); ++it) {
        const int groupId = it.value(QStringLiteral("groupid")).toInt();
        const int displayId = it.value(QStringLiteral("displayid")).toInt();
        const qint64 due = it.value(QStringLiteral("nextdate")).toLongLong();
        QJsonArray stepIds;
        QStringList stepTexts;
        for (const int step : steps.getStepIds(groupId, displayId)) {
            stepIds.append(step);
            stepTexts << QString::number(step);
        }
        rows.append(QJsonObject{
            {QStringLiteral("groupid"), groupId},
            {QStringLiteral("displayid"), displayId},
            {QStringLiteral("display"), it.value(QStringLiteral("displayname"))},
            {QStringLiteral("name"), it.value(QStringLiteral("qatype"))},
            {QStringLiteral("frequency"), it.value(QStringLiteral("frequency"))},
            {QStringLiteral("due"), QaCtlSupport::isoLocal(due)},
            {QStringLiteral("dueFixed"),
             QaCtlSupport::isoLocal(it.value(QStringLiteral("nextdate_fixed")).toLongLong())},
            {QStringLiteral("dueNow"), due <= now},
            {QStringLiteral("lastRun"), it.value(QStringLiteral("lastrundate"))},
            {QStringLiteral("failed"), it.value(QStringLiteral("TaskStatus")) == QLatin1String("1")},
            {QStringLiteral("key"), it.value(QStringLiteral("TaskKey"))},
            {QStringLiteral("steps"), stepIds}});
        *text += QStringLiteral("display %1 group %2 \"%3\" %4 due %5%6 last %7 steps %8 key %9\n")
                     .arg(displayId)
                     .arg(groupId)
                     .arg(it.value(QStringLiteral("qatype")), it.value(QStringLiteral("frequency")),
                          QaCtlSupport::isoLocal(due), due <= now ? QStringLiteral(" (due now)") : QString(),
                          it.value(QStringLiteral("lastrundate")), stepTexts.join(QLatin1Char(',')),
                          it.value(QStringLiteral("TaskKey")));
    }
    return rows;
}

} // namespace

QString QaCommand::usage() const
{
    return QStringLiteral("qa plan|due [--now ISO-8601] | qa postpone DISPLAY KEY --until ISO-8601 [--now "
                          "ISO-8601]\n  ") +
           QaChecksCommand().usage();
}

int QaCommand::run(const CtlContext& context) const
{
    if (QaChecksCommand::handles(context.arguments().value(0)))
        return QaChecksCommand().run(context);
    QStringList args = context.arguments();
    QString error;
    qint64 now = 0;
    if (!QaCtlSupport::takeNow(args, &now, &error))
        return context.fail(error, 2);
    const QString action = args.value(0);
    const bool postpone = action == QLatin1String("postpone");
    QString until;
    if (postpone)
        until = QaCtlSupport::takeOption(args, QStringLiteral("--until"));
    const bool valid =
        ((action == QLatin1String("plan") || action == QLatin1String("due")) && args.size() == 1) ||
        (postpone && args.size() == 3 && !until.isEmpty());
    if (!valid)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    if (!QaCtlSupport::prepare(&error))
        return context.fail(error);

    DBPreferences preferences;
    const QJsonObject head{
        {QStringLiteral("ok"), true},
        {QStringLiteral("now"), QaCtlSupport::isoLocal(now)},
        {QStringLiteral("regulation"), preferences.getValue(QStringLiteral("UsedRegulation"))},
        {QStringLiteral("classification"), preferences.getValue(QStringLiteral("UsedClassification"))}};

    if (postpone) {
        QStringList timeArgs{QStringLiteral("--now"), until};
        qint64 date = 0;
        if (!QaCtlSupport::takeNow(timeArgs, &date, &error))
            return context.fail(error, 2);
        bool ok = false;
        const int displayId = args.at(1).toInt(&ok);
        QASchedulingGroups groups;
        const int groupId = ok ? groups.GetGroupIdByKey(args.at(2)) : -1;
        if (groupId < 0 || groups.getGroup(groupId).value(QStringLiteral("displayid")).toInt() != displayId)
            return context.fail(QStringLiteral("no QA group %1 for display %2 (run \"qa plan\" first)")
                                    .arg(args.at(2), args.at(1)));
        if (!groups.delayTask(groupId, date, now))
            return context.fail(QStringLiteral("cannot store the postponement"));
        QJsonObject result = head;
        result.insert(QStringLiteral("groupid"), groupId);
        result.insert(QStringLiteral("until"), QaCtlSupport::isoLocal(date));
        return context.answer(result, QStringLiteral("group %1 of display %2 postponed until %3")
                                          .arg(groupId)
                                          .arg(displayId)
                                          .arg(QaCtlSupport::isoLocal(date)));
    }

    // Both rebuild the plan first, as the scheduler does before it looks for due groups.
    if (!QAScheduling(now).RefreshFullInfo())
        return context.fail(QStringLiteral("cannot rebuild the QA plan"));
    if (action == QLatin1String("plan")) {
        QString text;
        QJsonObject result = head;
        result.insert(QStringLiteral("groups"), planRows(now, &text));
        if (text.isEmpty())
            text = QStringLiteral("no QA groups (regulation \"%1\", classification \"%2\")\n")
                       .arg(head.value(QStringLiteral("regulation")).toString(),
                            head.value(QStringLiteral("classification")).toString());
        return context.answer(result, text.trimmed());
    }

    const QADueWork due = QADueWork::collect(now);
    QJsonObject result = head;
    const QJsonObject dueJson = due.toJson();
    for (auto it = dueJson.begin(); it != dueJson.end(); ++it)
        result.insert(it.key(), it.value());
    return context.answer(result, due.toText());
}
