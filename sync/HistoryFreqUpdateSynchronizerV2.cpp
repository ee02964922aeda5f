#include "sync/HistoryFreqUpdateSynchronizerV2.h"

#include <QDebug>

int HistoryFreqUpdateSynchronizerV2::startSynchronize()
{
    qDebug()
        << "HistoryFreqUpdateSynchronizer - no exchange defined for the history frequency update, skipped";
    return STATUS_OK;
}
