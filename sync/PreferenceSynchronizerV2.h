#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QPair>

// The global preferences both ways. A preference edited here and not yet sent wins over the server's value.
class PreferenceSynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    PreferenceSynchronizerV2();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // name, stored value of every preference sent.
    QList<QPair<QString, QString>> m_sent;
};
