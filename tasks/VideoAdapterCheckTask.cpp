#include "tasks/VideoAdapterCheckTask.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "app/PipeAppConnectorClient.h"
#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"
#include "tasks/Clock.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>

std::atomic<qint64> VideoAdapterCheckTask::s_lastRegenDay{0};

VideoAdapterCheckTask::VideoAdapterCheckTask(const QString& name, qint64 timeout, qint64 first,
                                             std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent),
      m_lock(std::make_unique<KaldoSharedMemory>(SHARED_MEMORY_KEY_CALIBRATION, "VideoAdapterCheckTask", 1))
{
    setAnswerBound(answerBound);
}

VideoAdapterCheckTask::~VideoAdapterCheckTask() = default;

void VideoAdapterCheckTask::resetProcessState()
{
    s_lastRegenDay.store(0);
}

QString VideoAdapterCheckTask::storedAdapterKey(int displayId)
{
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!db || !db->IsOpened() || !db->tableExists(QStringLiteral("VideoDevicesData")))
        return {};
    KaldoDataIterator rows =
        db->readinfo(QStringLiteral("VideoDevicesData"),
                     KaldoDynamicData::Values{{QStringLiteral("displayid"), QString::number(displayId)}});
    for (; !rows.IsNull(); ++rows) {
        const QString key = rows.value(QStringLiteral("key"));
        if (!key.isEmpty())
            return key;
    }
    return {};
}

QStringList VideoAdapterCheckTask::movedDisplays()
{
    QStringList names;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        const int id = CurrentDisplays::DisplayId(i);
        const QString stored = storedAdapterKey(id);
        if (stored.isEmpty())
            continue; // never acceptance-tested here: nothing to compare
        const QString current = CurrentDisplays::GetVideoCardKey(id);
        qDebug().noquote() << "VideoAdapterCheckTask vd1: " + stored + " vd2: " + current;
        if (stored != current)
            names << CurrentDisplays::Display(i).name();
    }
    return names;
}

void VideoAdapterCheckTask::run()
{
    qDebug() << "VideoAdapterCheckTask::run()";
    QObject::disconnect(m_processEnd);
    if (m_lock->IsLocked() || !m_lock->Lock()) {
        qDebug() << "VideoAdapterCheckTask - calibration in progress - stops";
        emit finished();
        return;
    }
    m_moved = movedDisplays();
    if (m_moved.isEmpty()) {
        finish();
        return;
    }
    // The previous run's process, if it outlived its bound, is not killed: it is the
    // user's main application.
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process.release()->setParent(this);
    m_process = std::make_unique<OrvantaProcess>();
    m_processEnd =
        connect(m_process.get(), &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
            onReaction(status == QProcess::NormalExit ? code : -1);
        });
    m_process->start(OrvantaProcess::graphicCardReaction());
}

void VideoAdapterCheckTask::onReaction(int exitCode)
{
    QObject::disconnect(m_processEnd);
    qDebug().noquote() << "?? GCReaction - " + QString::number(exitCode);
    if (exitCode == 0)
        emit signalShowDialog(m_moved);
    else if (exitCode == 1)
        regenerateTablesOncePerDay();
    else
        qWarning() << "VideoAdapterCheckTask - main application gave no reaction, check again next period";
    finish();
}

void VideoAdapterCheckTask::regenerateTablesOncePerDay()
{
    const qint64 today = QDateTime::fromSecsSinceEpoch(clock().now()).date().toJulianDay();
    if (s_lastRegenDay.exchange(today) == today) {
        qDebug() << "VideoAdapterCheckTask - QA tables already regenerated today";
        return;
    }
    qDebug() << "VideoAdapterCheckTask - regenerating QA tables";
    if (PipeAppConnectorClient* const pipe = PipeAppConnectorClient::instance())
        pipe->sendMessage(QStringLiteral("regenTables"), QStringLiteral("1"));
    else
        qWarning() << "VideoAdapterCheckTask - no pipe to the main application, regenTables not sent";
}

void VideoAdapterCheckTask::finish()
{
    if (m_lock->isHeld())
        m_lock->Unlock();
    emit finished();
}

void VideoAdapterCheckTask::runAbandoned()
{
    qWarning() << "VideoAdapterCheckTask - main application did not end, run ends";
    QObject::disconnect(m_processEnd);
    if (m_lock->isHeld())
        m_lock->Unlock();
}
