#pragma once

#include "sync/BaseSynchronizer.h"

// Tells the server which user regulations this workstation has.
class RegulationListSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    RegulationListSynchronizer();

protected:
    QJsonValue read() override;
};
