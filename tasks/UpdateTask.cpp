#include "tasks/UpdateTask.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "settings/GlobalData.h"

#include <QDebug>

QString UpdateTask::updateAddress(const QString& stored)
{
    const QString address = stored.trimmed();
    if (address.contains(QLatin1String("http://"), Qt::CaseInsensitive) ||
        address.contains(QLatin1String("https://"), Qt::CaseInsensitive))
        return address;
    return QStringLiteral("http://") + address;
}

void UpdateTask::run()
{
    qDebug() << "UpdateTask run()";
    if (AppPreferences::get(QStringLiteral("UpdateSoftwareAutomaticaly")) != QLatin1String("true")) {
        qDebug() << "UpdateTask - update deselected";
        emit finished();
        return;
    }
    KaldoSharedMemory lock(SHARED_MEMORY_KEY_CALIBRATION, "UpdateTask::run", 1);
    if (lock.IsLocked() || !lock.Lock()) {
        qDebug() << "UpdateTask - calibration in progress - stops";
        emit finished();
        return;
    }
    const QString address =
        updateAddress(GlobalData::instance().GetValue<QString>(QStringLiteral("updatelink")));
    qDebug().noquote() << "UpdateTask - update address" << address;
    qWarning() << "UpdateTask - no update checker in this build, no version asked for";
    emit finished();
}
