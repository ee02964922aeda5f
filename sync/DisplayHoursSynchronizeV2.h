#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// The displays' daily working hours.
class DisplayHoursSynchronizeV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    QString action() const override { return QStringLiteral("DISPLAYHOURS"); }
    QString className(int version) const override
    {
        return version >= 2 ? QStringLiteral("DisplayHoursSynchronizeV2")
                            : QStringLiteral("DisplayHoursSynchronize");
    }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // DISPLAYID, STDATE, STVALUE as sent.
    QList<QStringList> m_sent;
};
