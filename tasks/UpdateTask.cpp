#include "tasks/UpdateTask.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBUtils.h"
#include "settings/GlobalData.h"
#include "tasks/DialogUpdateInterface.h"
#include "tasks/TaskFactory.h"
#include "update/KaldoUpdate.h"
#include "update/UpdateRequest.h"

#include <QDebug>
#include <QScopeGuard>

UpdateTask::UpdateTask(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock,
                       QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent)
{
}

UpdateTask::~UpdateTask() = default;

QString UpdateTask::updateAddress(const QString& stored)
{
    const QString address = stored.trimmed();
    if (address.contains(QLatin1String("http://"), Qt::CaseInsensitive) ||
        address.contains(QLatin1String("https://"), Qt::CaseInsensitive))
        return address;
    return QStringLiteral("http://") + address;
}

QString UpdateTask::newerVersionText(const QString& version, const QString& link)
{
    return QStringLiteral("newer version %1 at %2").arg(version, link);
}

void UpdateTask::slotUpdateSkkip()
{
    if (m_checker)
        m_checker->slotVersionSkipp();
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
    NetworkSettings settings = DBUtils::getNetworkSettingsFromDB();
    settings.serverName =
        updateAddress(GlobalData::instance().GetValue<QString>(QString::fromLatin1(GLOBALDATA_UPDATE_LINK)));
    qDebug().noquote() << "UpdateTask - update address" << settings.serverName;

    m_checker = std::make_unique<KaldoUpdate>(settings);
    QString version;
    QString link;
    m_checker->CheckUpdate(version, link, true);
    // The checker's network access keeps a thread of its own until it is destroyed; only a
    // newer version, which the user may still skip, needs the checker after the check.
    auto nothingNewer = qScopeGuard([this] { m_checker.reset(); });

    if (version.isEmpty()) {
        qDebug() << "UpdateTask - up to date";
        emit finished();
        return;
    }
    if (version == QLatin1String(UPDATE_ERROR) || version == KaldoUpdate::GetSkippedVersion()) {
        qDebug().noquote() << "UpdateTask - nothing to offer:" << version;
        emit finished();
        return;
    }
    nothingNewer.dismiss();
    qDebug() << "Show update window!!!";
    qInfo().noquote() << "UpdateTask -" << newerVersionText(version, link);
    emit showMessage(newerVersionText(version, link));

    DialogUpdateInterface* const dialog = TaskFactory::dialogUpdate();
    if (!dialog) {
        // Without a dialog the balloon is the whole notice; nothing is left to wait for.
        emit finished();
        return;
    }
    connect(dialog, &DialogUpdateInterface::signalClickButtonThree, this, &UpdateTask::slotUpdateSkkip,
            Qt::UniqueConnection);
    connect(dialog, &QDialog::accepted, this, &Task::finished, Qt::UniqueConnection);
    connect(dialog, &QDialog::rejected, this, &Task::finished, Qt::UniqueConnection);
    emit showUpdateWindow(version, link);
}
