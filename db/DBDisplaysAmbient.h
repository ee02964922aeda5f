#pragma once

#include <QList>
#include <QString>

#include <memory>

class KaldoDynamicData;

// Ambient-light readings of the displays' own sensors.
class DBDisplaysAmbient
{
public:
    static const QString TABLE;

    struct Reading
    {
        double value = 0.0;
        qint64 time = 0;
        bool withinLimits = false;
        bool synchronized = false;
    };

    DBDisplaysAmbient();

    bool AddAmbientValue(int displayid, double value, quint32 time, bool withinLimits);
    // Values of readings at or after `since`, oldest first.
    bool GetAmbientValues(int displayid, qint64 since, QList<double>& values);
    QList<Reading> readings(int displayid, qint64 since = 0);
    // Deletes the display's readings taken before `before`.
    bool RemoveAmbientValues(int displayid, qint64 before);
    // Readings still to be uploaded (issynch = "0"), oldest first.
    QList<Reading> GetSycnhronizeInfo(int displayid);
    bool SetAllSynchronizeNeeded(bool need);
    bool setSynchronized(int displayid, qint64 upToTime);

private:
    static bool ensureChecked(KaldoDynamicData& data);

    std::shared_ptr<KaldoDynamicData> data_;
};
