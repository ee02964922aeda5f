#include "update/KaldoUpdate.h"

#include "app/AppPreferences.h"
#include "settings/GlobalData.h"
#include "update/UpdateRequest.h"

#include <QDebug>
#include <QDomDocument>

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

bool KaldoUpdate::ParseReply(const QString& reply, QString& version, QString& link)
{
    version.clear();
    link.clear();
    QDomDocument document;
    if (!document.setContent(reply))
        return false;
    const QDomElement update = document.elementsByTagName(QStringLiteral("update")).item(0).toElement();
    version = update.attribute(QStringLiteral("version")).trimmed();
    link = update.firstChildElement(QStringLiteral("link")).text().trimmed();
    return true;
}

bool KaldoUpdate::IsNewVersionLater(const QString& current, const QString& candidate)
{
    const QStringList currentParts = current.split(QLatin1Char('.'));
    const QStringList candidateParts = candidate.split(QLatin1Char('.'));
    qDebug() << "Is Update - " << currentParts << candidateParts;
    const qsizetype shared = std::min(currentParts.size(), candidateParts.size());
    for (qsizetype i = 0; i < shared; ++i) {
        // A part that is no number reads as 0, so a garbled reply never looks newer
        // than a real version on that position.
        const qlonglong have = currentParts[i].trimmed().toLongLong(nullptr, 10);
        const qlonglong offered = candidateParts[i].trimmed().toLongLong(nullptr, 10);
        if (offered > have)
            return true;
        if (offered < have)
            return false;
    }
    return false;
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

    if (!ParseReply(reply, version, link) && reply != QLatin1String(UPDATE_ERROR))
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
