#pragma once

#include <QList>
#include <QString>

#include <memory>

class KaldoDynamicData;

// The LUT the agent loads into a display: one "DisplayCurrentLUT" record per display
// and one "LUTEntries" row per value (input level, channel, output value).
class DBDisplayCurrentLUT
{
public:
    static const QString TABLE_CURRENT_LUT;
    static const QString TABLE_LUT_ENTRIES;

    struct Entry
    {
        int ddl = 0;
        int channel = 0;
        int value = 0;
        bool operator==(const Entry&) const = default;
    };
    // Channels in channel-number order, each a list of values in input-level order.
    using Channels = QList<QList<int>>;

    DBDisplayCurrentLUT();

    int addRecord(int displayid, int luttype, int uniformityid);
    bool addEntry(int currentlutid, int ddl, int channel, int value);
    // Stores every value of `channels` (channel index, input level = list index) in one transaction.
    bool addEntries(int currentlutid, const Channels& channels);
    // Replaces whatever the display had by one record holding `channels`; -1 on failure.
    int storeLUT(int displayid, int luttype, int uniformityid, const Channels& channels);

    Channels readEntryByDisplayId(int displayid);
    Channels readEntry(int currentlutid);
    QList<Entry> readRawEntries(int currentlutid);
    int currentLutId(int displayid);
    int lutType(int displayid);
    int uniformityId(int displayid);

    bool clean(int displayid);
    bool removeEntry(int currentlutid);

private:
    static bool ensureChecked(KaldoDynamicData& data);
    QString recordColumn(int displayid, const QString& name);

    std::shared_ptr<KaldoDynamicData> data_;
};
