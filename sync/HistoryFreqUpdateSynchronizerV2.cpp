#include "sync/HistoryFreqUpdateSynchronizerV2.h"

#include <QDebug>

HistoryFreqUpdateSynchronizerV2::HistoryFreqUpdateSynchronizerV2()
    : BaseSynchronizer({.name = QStringLiteral("HistoryFreqUpdateSynchronizerV2"),
                        .protocol1Name = QStringLiteral("HistoryFreqUpdateSynchronizer")})
{
}

int HistoryFreqUpdateSynchronizerV2::startSynchronize()
{
    qDebug()
        << "HistoryFreqUpdateSynchronizer - no exchange defined for the history frequency update, skipped";
    return STATUS_OK;
}
