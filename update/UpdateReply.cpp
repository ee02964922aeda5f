#include "update/UpdateReply.h"

#include <QDebug>
#include <QDomDocument>
#include <QStringList>

#include <algorithm>

bool UpdateReply::parse(const QString& reply, QString& version, QString& link)
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

bool UpdateReply::isNewVersionLater(const QString& current, const QString& candidate)
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
