#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// The displays' daily working hours.
class DisplayHoursSynchronizeV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    DisplayHoursSynchronizeV2();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // DISPLAYID, STDATE, STVALUE as sent.
    QList<QStringList> m_sent;
};
