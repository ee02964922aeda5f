#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <vector>

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
    // Channels in channel-number order, each a list of values in input-level order: the
    // LUT value list the LUT objects take.
    using Channels = std::vector<std::vector<int>>;

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
    // The stored LUT type, 0 when the display has no record.
    int lutType(int displayid);
    // The uniformity correction's key, -1 when there is none.
    int uniformityId(int displayid);

    bool clean(int displayid);
    bool removeEntry(int currentlutid);

private:
    static bool ensureChecked(KaldoDynamicData& data);
    QString recordColumn(int displayid, const QString& name);

    std::shared_ptr<KaldoDynamicData> data_;
};
