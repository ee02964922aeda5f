#include "update/KaldoUpdate.h"

#include "app/AppPreferences.h"
#include "settings/GlobalData.h"
#include "update/UpdateReply.h"
#include "update/UpdateRequest.h"

#include <QDebug>

KaldoUpdate::KaldoUpdate(const NetworkSettings& settings, QObject* parent)
    : QObject(parent), m_request(std::make_unique<UpdateRequest>())
{
    m_request->SetNetworkSettings(settings);
}

KaldoUpdate::~KaldoUpdate() = default;

QString KaldoUpdate::GetCurrentVersion()
{
    const GlobalData& data = GlobalData::instance();
    return data.GetValue<QString>(QString::fromLatin1(GLOBALDATA_VERSION_CURRENT)) + QLatin1Char('.') +
           data.GetValue<QString>(QString::fromLatin1(GLOBALDATA_VERSION_BUILD));
}

bool KaldoUpdate::IsNewVersionLater(const QString& current, const QString& candidate)
{
    return UpdateReply::isNewVersionLater(current, candidate);
}

QString KaldoUpdate::GetSkippedVersion()
{
    return AppPreferences::get(QString::fromLatin1(VERSION_SKIPPED));
}

void KaldoUpdate::SetSkippedVersion(const QString& version)
{
    AppPreferences::set(QString::fromLatin1(VERSION_SKIPPED), version);
}

void KaldoUpdate::slotVersionSkipp()
{
    qDebug() << "Version is Skipped!!!!!";
    SetSkippedVersion(m_lastVersion);
}

void KaldoUpdate::CheckUpdate(QString& version, QString& link, bool checkSkipped)
{
    const QString reply = m_request->GetRequest(m_request->requestAddress());
    qDebug().noquote() << "Request result - " << reply;

    if (!UpdateReply::parse(reply, version, link) && reply != QLatin1String(UPDATE_ERROR))
        qWarning() << "KaldoUpdate - the update reply is no readable XML";
    m_lastVersion = version;

    if (version.isEmpty() || !IsNewVersionLater(GetCurrentVersion(), version) ||
        (checkSkipped && version == GetSkippedVersion())) {
        version.clear();
        link.clear();
    }
    if (reply == QLatin1String(UPDATE_ERROR))
        version = QString::fromLatin1(UPDATE_ERROR);
}
