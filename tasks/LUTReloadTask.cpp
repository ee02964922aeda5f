#include "tasks/LUTReloadTask.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "tasks/LUTLoaderTrayInterface.h"

#include <QDebug>

#include <vector>

LUTReloadTask::LUTReloadTask(const QString& name, qint64 timeout, qint64 first,
                             std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent),
      m_lock(std::make_unique<KaldoSharedMemory>(SHARED_MEMORY_KEY_CALIBRATION,
                                                 "LUTReloadTask::LUTReloadTask", 1))
{
    setAnswerBound(answerBound);
}

LUTReloadTask::~LUTReloadTask() = default;

void LUTReloadTask::setTray(LUTLoaderTrayInterface* tray)
{
    m_tray = tray;
}

void LUTReloadTask::run()
{
    qDebug() << "LUT reload!!!";
    release();
    if (m_lock->IsLocked() || !m_lock->Lock()) {
        qDebug() << "Calibration in progress - stops";
        emit finished();
        return;
    }
    qDebug() << "LUT Reload start!!!!";
    std::vector<int> loaded;
    if (m_tray) {
        // By name: the answer is the most derived tray class's signalLUTApplyFinished(),
        // also where that class declares the signal again.
        m_answers = connect(m_tray.data(), SIGNAL(signalLUTApplyFinished()), this, SLOT(reloadFinished()),
                            Qt::QueuedConnection);
        // Ids, not the menu's entries: a menu rebuilt on the tray's thread meanwhile would
        // leave this thread holding deleted actions.
        loaded = m_tray->loadedDisplayIds();
    } else {
        qWarning() << "LUTReloadTask::run() - no tray attached, nothing to reload";
    }
    m_pending = int(loaded.size());
    for (const int displayId : loaded)
        emit reloadLUT(displayId);
    if (m_pending <= 0)
        finish();
}

void LUTReloadTask::reloadFinished()
{
    qDebug() << "reloadFinished - " << m_pending;
    if (m_pending <= 0)
        return; // an answer to a load this task did not ask for
    if (--m_pending == 0) {
        qDebug() << "reload finished fully";
        finish();
    }
}

void LUTReloadTask::finish()
{
    release();
    emit finished();
}

void LUTReloadTask::runAbandoned()
{
    qWarning() << "LUTReloadTask - stopped waiting with" << m_pending << "loads pending";
    release();
}

void LUTReloadTask::release()
{
    m_pending = 0;
    QObject::disconnect(m_answers);
    if (m_lock->isHeld())
        m_lock->Unlock();
}
