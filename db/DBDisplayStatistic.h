#pragma once

#include "db/KaldoDataIterator.h"

#include <QList>
#include <QString>

#include <memory>

class KaldoDynamicData;

// One counter per display and day (the day text is the caller's).
class DBDisplayStatistic
{
public:
    static const QString TABLE;

    struct DayCount
    {
        QString day;
        int value = 0;
        bool synchronized = false;
    };

    DBDisplayStatistic();

    // Adds `amount` (one, or the seconds the energy-mode task measured) to the day's counter,
    // creating it at `amount`; the counter is marked for upload.
    bool AddStatisticInfo(const QString& day, int displayid, int amount = 1);
    // The day's counter, 0 when there is none.
    int GetStatisticInfo(const QString& day, int displayid);
    // Every row of the display, in day-text order.
    KaldoDataIterator beginResults(int displayid);
    QList<DayCount> results(int displayid);
    bool SetSynchronizeNeed(int displayid, bool need);

private:
    static bool ensureChecked(KaldoDynamicData& data);

    std::shared_ptr<KaldoDynamicData> data_;
};
