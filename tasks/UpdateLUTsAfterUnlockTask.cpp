#include "tasks/UpdateLUTsAfterUnlockTask.h"

#include <QDebug>
#include <QMetaMethod>

UpdateLUTsAfterUnlockTask::UpdateLUTsAfterUnlockTask(const QString& name, qint64 timeout, qint64 first,
                                                     std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent)
{
    setAnswerBound(answerBound);
}

void UpdateLUTsAfterUnlockTask::run()
{
    qDebug() << "UpdateLUTsAfterUnlockTask::run()";
    if (!isSignalConnected(QMetaMethod::fromSignal(&UpdateLUTsAfterUnlockTask::signalReloadAllLUTs))) {
        qWarning() << "UpdateLUTsAfterUnlockTask::run() - no tray attached, no LUTs reloaded";
        emit finished();
        return;
    }
    emit signalReloadAllLUTs();
}
