#pragma once

#include "db/DBDisplayCurrentLUT.h"

#include <QList>
#include <QString>

// A stored calibration table comes from the database, which another program (and
// anyone who can write the file) fills. A damaged one must be refused, never
// padded with zeros or wrapped into range: a display loaded from it looks
// calibrated while it shows wrong colours.
class StoredTableCheck
{
public:
    // More entries per channel than any display or video card takes.
    static constexpr int kMaxEntries = 65536;

    // Rows as read from the database (rows of channels beyond `channels` belong to other
    // tables and are not looked at): every channel 0..channels-1 present with the
    // same number of entries, input levels 0..n-1 each exactly once, values 0..maxValue.
    static bool checkEntries(const QList<DBDisplayCurrentLUT::Entry>& entries, int channels, int maxValue,
                             QString* reason);
    // A table about to be stored: the same rules for a value list.
    static bool checkChannels(const DBDisplayCurrentLUT::Channels& channels, int maxValue, QString* reason);
};
