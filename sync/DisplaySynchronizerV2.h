#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// Registers the attached displays with the server before anything refers to them.
class DisplaySynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    DisplaySynchronizerV2();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // displayid, serial, width, height, commode as sent.
    QList<QStringList> m_sent;
};
