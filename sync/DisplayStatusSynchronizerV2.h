#pragma once

#include "sync/BaseSynchronizer.h"

// The displays' QA status values.
class DisplayStatusSynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    DisplayStatusSynchronizerV2();

protected:
    QJsonValue read() override;
};
