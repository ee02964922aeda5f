#include "qa/UserTasksScheduling.h"

#include "qa/UserScheduling.h"

#include <QDateTime>
#include <QDebug>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include <algorithm>

namespace {

QList<int> numbers(const QString& text)
{
    QList<int> values;
    for (const QString& part : text.split(QRegularExpression(QStringLiteral("[,|; ]")), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (ok)
            values << value;
    }
    return values;
}

int number(const QString& text)
{
    return text.trimmed().toInt();
}

} // namespace

void UserTasksScheduling::load(const QMap<QString, QString>& row,
                               const QList<QPair<qint64, qint64>>& exceptions)
{
    m_row = row;
    m_exceptions = exceptions;
}

bool UserTasksScheduling::loadFromDBTask(int taskId)
{
    UserScheduling tasks;
    const QMap<QString, QString> row = tasks.get(taskId);
    if (row.isEmpty())
        return false;
    load(row, tasks.exceptionsForTask(taskId));
    return true;
}

void UserTasksScheduling::setTime(qint64 now, qint64 agentStart)
{
    qDebug() << "setTime: " << now << "setTime. current:" << now << " lastrun:" << m_row.value("lastrun");
    m_now = now;
    m_agentStart = agentStart;
}

QDate UserTasksScheduling::startDate() const
{
    return QDate::fromString(m_row.value(QStringLiteral("StartDate")), QStringLiteral("yyyy.MM.dd"));
}

int UserTasksScheduling::monthStep() const
{
    switch (number(m_row.value(QStringLiteral("schedtype")))) {
    case MONTHLY:
        return 1;
    case QUARTERLY:
        return 3;
    case SEMIANNUALLY:
        return 6;
    case ANNUALLY:
        return 12;
    default:
        return 0;
    }
}

qint64 UserTasksScheduling::next() const
{
    if (m_row.value(QStringLiteral("Disabled")) == QLatin1String("true")) {
        qDebug() << "Disabled task. current time: " << m_now;
        return 0;
    }
    const int type = number(m_row.value(QStringLiteral("schedtype")));
    if (type == STARTUP || type == ONCE)
        return specialcalc();

    const QTime time = QTime::fromString(m_row.value(QStringLiteral("StartTime")), QStringLiteral("hh:mm"));
    const QTime timeOfDay = time.isValid() ? time : QTime(0, 0);
    const qint64 lastRun = m_row.value(QStringLiteral("lastrun")).toLongLong();
    QDate day = QDateTime::fromSecsSinceEpoch(m_now).date();
    const QDate start = startDate();
    if (start.isValid() && start > day) {
        qDebug() << "start date more then current. So new current=" << start << "(startdate=" << start
                 << ", starttime=" << timeOfDay << ")";
        day = start;
    }
    qDebug() << "UserTasksScheduling::nextIteration";
    for (int i = 0; i <= MAX_DAYS_AHEAD; ++i, day = day.addDays(1)) {
        const qint64 candidate = QDateTime(day, timeOfDay).toSecsSinceEpoch();
        // A day whose time has already been served by the last run is not due again.
        if (candidate <= lastRun || !check(day))
            continue;
        if (inException(day)) {
            qDebug() << "task skipped at" << day;
            continue;
        }
        qDebug() << "final date=" << QDateTime(day, timeOfDay);
        return candidate;
    }
    return 0;
}

qint64 UserTasksScheduling::specialcalc() const
{
    const qint64 lastRun = m_row.value(QStringLiteral("lastrun")).toLongLong();
    if (number(m_row.value(QStringLiteral("schedtype"))) == STARTUP) {
        // StartupDelay: minutes after the agent's start.
        const qint64 due = m_agentStart + 60 * number(m_row.value(QStringLiteral("StartupDelay")));
        qDebug() << "startup. curr=" << m_now << "startup. startup_=" << m_agentStart;
        return m_agentStart > 0 && lastRun < m_agentStart ? due : 0;
    }
    const QTime time = QTime::fromString(m_row.value(QStringLiteral("StartTime")), QStringLiteral("hh:mm"));
    const QDate start = startDate();
    qDebug() << "once. curr=" << m_now;
    if (!start.isValid())
        return 0;
    const qint64 due = QDateTime(start, time.isValid() ? time : QTime(0, 0)).toSecsSinceEpoch();
    return lastRun >= due ? 0 : due;
}

bool UserTasksScheduling::check(const QDate& day) const
{
    return checkday(day) && checkweek(day) && checkmonth(day);
}

bool UserTasksScheduling::checkday(const QDate& day) const
{
    const qint64 lastRun = m_row.value(QStringLiteral("lastrun")).toLongLong();
    const int everyNDay = number(m_row.value(QStringLiteral("EveryNDay")));
    if (everyNDay > 0 && lastRun > 0 && QDateTime::fromSecsSinceEpoch(lastRun).date().daysTo(day) < everyNDay)
        return false;
    const int type = number(m_row.value(QStringLiteral("schedtype")));
    QList<int> weekdays = numbers(m_row.value(QStringLiteral("DaysOfWeek")));
    const int weekOfMonth = number(m_row.value(QStringLiteral("WeekOfMonth")));
    const int dayOfMonth = number(m_row.value(QStringLiteral("DayOfMonth")));
    // A weekly task without chosen weekdays keeps the weekday of its start date.
    if (type == WEEKLY && weekdays.isEmpty())
        weekdays << (startDate().isValid() ? startDate().dayOfWeek() : 1);
    if (!weekdays.isEmpty() && !weekdays.contains(day.dayOfWeek()))
        return false;
    if (dayOfMonth > 0)
        // A day past the month's end is the month's last day.
        return day.day() == std::min(dayOfMonth, day.daysInMonth());
    if (type >= MONTHLY && weekOfMonth == 0 && weekdays.isEmpty()) {
        const int startDay = startDate().isValid() ? startDate().day() : 1;
        return day.day() == std::min(startDay, day.daysInMonth());
    }
    return true;
}

bool UserTasksScheduling::checkweek(const QDate& day) const
{
    const int weekOfMonth = number(m_row.value(QStringLiteral("WeekOfMonth")));
    if (weekOfMonth >= 1 && weekOfMonth <= 4 && (day.day() - 1) / 7 + 1 != weekOfMonth)
        return false;
    // Week 5 is the last such weekday of the month.
    if (weekOfMonth == 5 && day.day() + 7 <= day.daysInMonth())
        return false;
    const int everyNWeek = number(m_row.value(QStringLiteral("EveryNWeek")));
    const qint64 lastRun = m_row.value(QStringLiteral("lastrun")).toLongLong();
    if (everyNWeek > 1 && lastRun > 0) {
        // Weeks counted Monday to Monday.
        const QDate last = QDateTime::fromSecsSinceEpoch(lastRun).date();
        const qint64 weeks = last.addDays(1 - last.dayOfWeek()).daysTo(day.addDays(1 - day.dayOfWeek())) / 7;
        if (weeks < everyNWeek)
            return false;
    }
    return true;
}

bool UserTasksScheduling::checkmonth(const QDate& day) const
{
    const qint64 lastRun = m_row.value(QStringLiteral("lastrun")).toLongLong();
    const int step = monthStep();
    if (step > 0 && lastRun > 0) {
        const QDate last = QDateTime::fromSecsSinceEpoch(lastRun).date();
        const int months = (day.month() - last.month()) + 12 * (day.year() - last.year());
        if (months < step)
            return false;
    }
    const QList<int> months = numbers(m_row.value(QStringLiteral("Monthes")));
    return months.isEmpty() || months.contains(day.month());
}

bool UserTasksScheduling::inException(const QDate& day) const
{
    const qint64 from = day.startOfDay().toSecsSinceEpoch();
    const qint64 to = day.addDays(1).startOfDay().toSecsSinceEpoch() - 1;
    for (const auto& [begin, end] : m_exceptions) {
        if (begin <= to && end >= from)
            return true;
    }
    return false;
}
