#include "tasks/AutoWhiteLevelStabTask.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "db/DBDisplays.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "sensors/CSensor.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

AutoWhiteLevelStabTask::AutoWhiteLevelStabTask(const QString& name, qint64 timeout, qint64 first,
                                               std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent)
{
    setAnswerBound(answerBound);
}

AutoWhiteLevelStabTask::~AutoWhiteLevelStabTask() = default;

void AutoWhiteLevelStabTask::slotIsLUTLoad(bool loaded)
{
    m_loaded = loaded;
    m_answered = true;
}

bool AutoWhiteLevelStabTask::askLUTLoaded(int displayId)
{
    m_answered = false;
    m_loaded = false;
    emit signalIsLUTLoad(displayId);
    QElapsedTimer waited;
    waited.start();
    // Without a tray nobody answers: the display counts as not loaded.
    while (!m_answered && !isTerminating() && waited.elapsed() < AnswerWaitMs) {
        QCoreApplication::processEvents();
        QThread::msleep(100);
        QCoreApplication::processEvents();
    }
    qDebug() << "isLUT_ - " << m_loaded;
    return m_answered && m_loaded;
}

bool AutoWhiteLevelStabTask::canRunInBackground(int displayId)
{
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(displayId);
    if (!display)
        return false;
    bool usable = false;
    {
        const std::shared_ptr<CSensor> sensor = display->sensor();
        QRect where;
        usable = sensor && (sensor->IsColorPatch() || sensor->GetCoords(where));
    }
    display->unlockHardware();
    return usable &&
           DBDisplays().getDisplayInfo(displayId, QStringLiteral("InternalSensor")) == QLatin1String("true");
}

void AutoWhiteLevelStabTask::run()
{
    qDebug() << "AutoWhiteLevelStabTask run()";
    qDebug() << "AutoWhiteLevelStabTask 0";
    {
        KaldoSharedMemory probe(SHARED_MEMORY_KEY_CALIBRATION, "AutoWhiteLevelStabTask", 1);
        if (probe.IsLocked()) {
            emit finished();
            return;
        }
    }
    qDebug() << "AutoWhiteLevelStabTask 1";
    DBDisplays table;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount() && !isTerminating(); ++i) {
        const int id = CurrentDisplays::DisplayId(i);
        qDebug() << "AutoWhiteLevelStabTask 2" << id;
        if (!askLUTLoaded(id))
            continue;
        const QString support = table.ISensorSupport(id);
        qDebug() << "dispPrefs.ISensorSupport(displayid) - " << support;
        const QString autoStab = table.getDisplayInfo(id, QStringLiteral("autowlstab"));
        const QString internal = table.getDisplayInfo(id, QStringLiteral("InternalSensor"));
        qDebug() << "autowlstab" << autoStab << "InternalSensor" << internal;
        if (support != QLatin1String("true") || autoStab != QLatin1String("true") ||
            internal != QLatin1String("true"))
            continue;
        if (!canRunInBackground(id)) {
            qDebug() << "can't start background";
            continue;
        }
        qDebug() << "AutoWhiteLevelStabTask 3" << id;
        m_displayId = id;
        runOrvanta(OrvantaProcess::whiteLevelStabilisation(id));
        return;
    }
    qDebug() << "AutoWhiteLevelStabTask end()";
    emit finished();
}

void AutoWhiteLevelStabTask::runOrvanta(const QStringList& arguments)
{
    m_process = std::make_unique<OrvantaProcess>();
    // A main application that cannot start reports finished() too, so the task always ends.
    connect(m_process.get(), &QProcess::finished, this, &AutoWhiteLevelStabTask::orvantaFinished);
    m_process->start(arguments);
}

void AutoWhiteLevelStabTask::orvantaFinished()
{
    emit finished();
}

void AutoWhiteLevelStabTask::runAbandoned()
{
    if (!m_process)
        return;
    // A later end must not finish the next run.
    disconnect(m_process.get(), &QProcess::finished, this, &AutoWhiteLevelStabTask::orvantaFinished);
    if (m_process->state() != QProcess::NotRunning) {
        const qint64 pid = m_process->processId();
        qWarning().noquote() << QStringLiteral(
                                    "AutoWhiteLevelStabTask - white-level stabilisation of display %1 "
                                    "abandoned (%2); the main application (pid %3) is asked to end")
                                    .arg(m_displayId)
                                    .arg(isTerminating()
                                             ? QStringLiteral("the runner stops")
                                             : QStringLiteral("no end within %1 s").arg(answerBound.count()))
                                    .arg(pid);
        m_process->terminate();
        if (!m_process->waitForFinished(EndGraceMs)) {
            qWarning().noquote() << "AutoWhiteLevelStabTask - main application (pid" << pid
                                 << ") did not end within" << EndGraceMs << "ms, killed";
            m_process->kill();
            m_process->waitForFinished(KillWaitMs);
        }
    }
    m_process.reset();
}
