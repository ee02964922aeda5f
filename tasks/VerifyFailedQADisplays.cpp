#include "tasks/VerifyFailedQADisplays.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBDisplays.h"
#include "db/DBStatusDisplays.h"
#include "qa/QAScheduling.h"
#include "tasks/Clock.h"

#include <QDebug>

#include <algorithm>

VerifyFailedQADisplays::VerifyFailedQADisplays(const QString& name, qint64 timeout, qint64 first,
                                               std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent),
      m_lock(std::make_unique<KaldoSharedMemory>(SHARED_MEMORY_KEY_CALIBRATION, "VerifyFailedQADisplays", 1))
{
}

VerifyFailedQADisplays::~VerifyFailedQADisplays() = default;

QList<int> VerifyFailedQADisplays::failedDisplays()
{
    QList<int> failed;
    DBStatusDisplays statuses;
    for (const int display : QAScheduling::plannedDisplays()) {
        QString value;
        // A display without the status row never counts as failed.
        if (statuses.GetStatusInfo(display, QStringLiteral("all_qa_steps_ok"), value) && value.toInt() == 0)
            failed << display;
    }
    return failed;
}

void VerifyFailedQADisplays::run()
{
    qDebug() << "VerifyFailedQADisplays::run()";
    if (m_lock->IsLocked() || !m_lock->Lock()) {
        qDebug() << "Calibration in progress!";
        emit finished();
        return;
    }
    const QList<int> failed = failedDisplays();
    const qint64 now = clock().now();
    // Due when a failed display was never warned, was warned more than a day ago, or
    // its stored time lies in the future (the clock was set back).
    const bool due = std::any_of(failed.begin(), failed.end(), [&](int id) {
        const auto last = m_lastWarning.constFind(id);
        return last == m_lastWarning.constEnd() || *last > now || now - *last > warningInterval;
    });
    QStringList names;
    if (due) {
        DBDisplays displays;
        for (const int id : failed) {
            m_lastWarning.insert(id, now);
            names << displays.getDisplayInfo(id, QStringLiteral("Model")) + QLatin1Char(' ') +
                         displays.getDisplayInfo(id, QStringLiteral("SerialNumber"));
        }
    }
    if (names.isEmpty()) {
        m_lock->Unlock();
        emit finished();
        return;
    }
    // The task ends when the dialog is closed (slotDialogFinished).
    m_dialogFinished = false;
    emit signalShowDialog(names);
}

void VerifyFailedQADisplays::slotDialogFinished()
{
    if (m_dialogFinished)
        return;
    m_dialogFinished = true;
    m_lock->Unlock();
    emit finished();
}

void VerifyFailedQADisplays::runAbandoned()
{
    m_dialogFinished = true;
    m_lock->Unlock();
}
