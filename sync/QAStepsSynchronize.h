#pragma once

#include "sync/BaseSynchronizer.h"

// Fixed times of single QA steps set on the server.
class QAStepsSynchronize : public BaseSynchronizer
{
    Q_OBJECT
public:
    QAStepsSynchronize();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;
};
