#include "tasks/EnergyModeTask.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBDisplayStatistic.h"
#include "displays/CurrentDisplays.h"
#include "tasks/Clock.h"

#include <QDateTime>
#include <QDebug>

#include <algorithm>

std::atomic<qint64> EnergyModeTask::s_lastOffer{0};
std::atomic<qint64> EnergyModeTask::s_lastStatistic{0};

namespace {
const QString nowInEnergySaveMode = QStringLiteral("NowInEnergySaveMode");
}

EnergyModeTask::EnergyModeTask(const QString& name, qint64 timeout, qint64 first,
                               std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent),
      m_lock(std::make_unique<KaldoSharedMemory>(SHARED_MEMORY_KEY_CALIBRATION, "EnergyModeTask", 1))
{
    setAnswerBound(answerBound);
}

EnergyModeTask::~EnergyModeTask() = default;

void EnergyModeTask::resetProcessState()
{
    s_lastOffer.store(0);
    s_lastStatistic.store(0);
}

QTime EnergyModeTask::parseTime(const QString& text)
{
    const QString trimmed = text.trimmed();
    QTime time = QTime::fromString(trimmed, QStringLiteral("hh:mm"));
    if (!time.isValid())
        time = QTime::fromString(trimmed, QStringLiteral("h:mm"));
    return time;
}

bool EnergyModeTask::isInside(const QTime& start, const QTime& end, const QTime& now)
{
    if (start < end)
        return start <= now && now < end;
    return now >= start || now < end;
}

void EnergyModeTask::run()
{
    qDebug() << "EnergyModeTask run()";
    m_waiting = Waiting::Nothing;
    if (m_lock->IsLocked() || !m_lock->Lock()) {
        qDebug() << "EnergyModeTask - calibration in progress";
        addStatisticInfo();
        slotEnergeModeExit();
        finish();
        return;
    }
    if (AppPreferences::get(QStringLiteral("PutDisplaysToEnergySaveMode")) != QLatin1String("true")) {
        finishAwake();
        return;
    }
    const QString startText = AppPreferences::get(QStringLiteral("StartEnergySaveMode"));
    const QString endText = AppPreferences::get(QStringLiteral("EndEnergySaveMode"));
    const QTime start = parseTime(startText);
    const QTime end = parseTime(endText);
    const bool ordinary = start < end;
    qDebug().noquote() << "ENERGY mode task" << start.toString(QStringLiteral("hh:mm"))
                       << end.toString(QStringLiteral("hh:mm")) << (ordinary ? "true" : "false");
    if (!start.isValid() || !end.isValid() || start == end) {
        // A window nobody can read must not switch displays off; they stay awake.
        qWarning().noquote() << "EnergyModeTask - unusable energy-save hours" << startText << "-" << endText
                             << ", displays stay on";
        finishAwake();
        return;
    }
    const qint64 nowSeconds = clock().now();
    const QTime now = QDateTime::fromSecsSinceEpoch(nowSeconds).time();
    if (isInside(start, end, now)) {
        showNotificationOrWait();
        // No window now: nothing to do before the next offer or the end of the hours.
        if (m_waiting == Waiting::Nothing)
            setQuietUntil(std::min(s_lastOffer.load() + offerInterval + 1, nextOccurrence(end, nowSeconds)));
        return;
    }
    addStatisticInfo();
    m_waiting = Waiting::Power;
    emit signalTurnOnDisplays();
    slotEnergeModeExit();
}

void EnergyModeTask::showNotificationOrWait()
{
    const qint64 now = clock().now();
    if (now - s_lastOffer.load() > offerInterval) {
        s_lastOffer.store(now);
        m_waiting = Waiting::Window;
        emit signalStartEnergyWindow();
        return;
    }
    finish();
}

void EnergyModeTask::addStatisticInfo()
{
    const qint64 now = clock().now();
    const qint64 last = s_lastStatistic.load();
    if (now - last < statisticInterval)
        return;
    const qint64 seconds = last <= 0 ? statisticInterval : now - last;
    const QString day = QDateTime::fromSecsSinceEpoch(now).toString(QStringLiteral("yyyy.MM.dd"));
    qDebug().noquote() << "EnergyModeTask::addStatisticInfo" << day << seconds;
    // The table counts one per entry and display; an entry stands for at least ten
    // awake minutes of every display attached now.
    DBDisplayStatistic statistic;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        const int id = CurrentDisplays::DisplayId(i);
        if (id > 0)
            statistic.AddStatisticInfo(day, id);
    }
    s_lastStatistic.store(now);
}

void EnergyModeTask::slotEnergyModeEntered()
{
    AppPreferences::set(nowInEnergySaveMode, QStringLiteral("true"));
}

void EnergyModeTask::slotEnergeModeExit()
{
    AppPreferences::set(nowInEnergySaveMode, QStringLiteral("false"));
}

void EnergyModeTask::windowAccepted()
{
    if (m_waiting != Waiting::Window) {
        qDebug() << "EnergyModeTask - energy window answer for another run, ignored";
        return;
    }
    slotEnergyModeEntered();
    m_waiting = Waiting::Power;
    emit signalTurnOffDisplays();
}

void EnergyModeTask::windowRejected()
{
    if (m_waiting != Waiting::Window) {
        qDebug() << "EnergyModeTask - energy window answer for another run, ignored";
        return;
    }
    slotEnergeModeExit();
    finish();
}

void EnergyModeTask::powerControlFinished()
{
    if (m_waiting != Waiting::Power)
        return;
    finish();
}

// Displays stay awake: the time is counted, and until the next count is due a run could
// only find the same, unless the preferences change.
void EnergyModeTask::finishAwake()
{
    addStatisticInfo();
    slotEnergeModeExit();
    setQuietUntil(s_lastStatistic.load() + statisticInterval);
    finish();
}

qint64 EnergyModeTask::nextOccurrence(const QTime& time, qint64 now)
{
    const QDateTime current = QDateTime::fromSecsSinceEpoch(now);
    QDateTime next(current.date(), time);
    if (next <= current)
        next = QDateTime(current.date().addDays(1), time);
    return next.toSecsSinceEpoch();
}

void EnergyModeTask::finish()
{
    m_waiting = Waiting::Nothing;
    if (m_lock->isHeld())
        m_lock->Unlock();
    emit finished();
}

void EnergyModeTask::runAbandoned()
{
    qWarning() << "EnergyModeTask - no answer from the energy window or the tray, run ends";
    m_waiting = Waiting::Nothing;
    if (m_lock->isHeld())
        m_lock->Unlock();
}
