#pragma once

#include "sync/BaseSynchronizer.h"

// Holds the place of the history frequency update in the run order. Nothing is
// exchanged: no request or reply of it is defined, so it is skipped with a log line.
class HistoryFreqUpdateSynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    HistoryFreqUpdateSynchronizerV2();
    int startSynchronize() override;

protected:
    QJsonValue read() override { return {}; }
};
