#include "tasks/ctl/TasksCommand.h"

#include "app/ctl/CtlContext.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskList.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

constexpr qint64 defaultReminderSeconds = 300;

QJsonObject describe(const TaskList::Entry& entry, qint64 reminder)
{
    return {{QStringLiteral("type"), entry.type},
            {QStringLiteral("name"), entry.name},
            {QStringLiteral("class"), TaskFactory::className(entry.type)},
            {QStringLiteral("timeout"), entry.timeout},
            {QStringLiteral("first"), entry.firstWithReminder(reminder)},
            {QStringLiteral("available"), TaskFactory::isAvailable(entry.type)}};
}

QString line(const QJsonObject& task)
{
    const QString cls = task.value("class").toString();
    return QStringLiteral("%1  type %2 (%3)  every %4 s, first after %5 s%6")
        .arg(task.value("name").toString(), -26)
        .arg(task.value("type").toInt())
        .arg(cls.isEmpty() ? QStringLiteral("unknown") : cls)
        .arg(task.value("timeout").toInteger())
        .arg(task.value("first").toInteger())
        .arg(task.value("available").toBool() ? QString() : QStringLiteral("  [not in this build]"));
}

} // namespace

QString TasksCommand::usage() const
{
    return QStringLiteral(
        "tasks list [FILE] [--reminder SECONDS]   (default: the embedded task list, 300 s)");
}

int TasksCommand::run(const CtlContext& context) const
{
    QStringList args = context.arguments();
    if (args.isEmpty() || args.takeFirst() != QLatin1String("list"))
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    qint64 reminder = defaultReminderSeconds;
    const qsizetype reminderAt = args.indexOf(QStringLiteral("--reminder"));
    if (reminderAt >= 0) {
        bool ok = false;
        reminder = args.value(reminderAt + 1).toLongLong(&ok);
        if (!ok || reminder < 0)
            return context.fail(QStringLiteral("--reminder needs a number of seconds"), 2);
        args.remove(reminderAt, 2);
    }
    args.removeAll(QStringLiteral("--json"));
    const QString file = args.value(0, QStringLiteral(":rc/tasklist.xml"));

    QString error;
    const std::vector<TaskList::Entry> entries = TaskList::read(file, &error);
    if (!error.isEmpty())
        return context.fail(error);
    QJsonArray tasks;
    QStringList text;
    for (const TaskList::Entry& entry : entries) {
        const QJsonObject task = describe(entry, reminder);
        tasks.append(task);
        text << line(task);
    }
    return context.answer(
        {{QStringLiteral("ok"), true}, {QStringLiteral("file"), file}, {QStringLiteral("tasks"), tasks}},
        text.join('\n'));
}
