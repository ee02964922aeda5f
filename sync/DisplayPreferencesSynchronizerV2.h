#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// Display settings both ways: local edits go up, the server's settings come down. A setting edited here and
// not yet sent wins over the server's value.
class DisplayPreferencesSynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    DisplayPreferencesSynchronizerV2();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // displayid, name, value of every setting sent.
    QList<QStringList> m_sent;
};
