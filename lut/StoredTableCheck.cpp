#include "lut/StoredTableCheck.h"

#include <vector>

namespace {

bool fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

} // namespace

bool StoredTableCheck::checkEntries(const QList<DBDisplayCurrentLUT::Entry>& entries, int channels,
                                    int maxValue, QString* reason)
{
    if (channels <= 0)
        return fail(reason, QStringLiteral("the LUT takes no channels"));
    if (entries.isEmpty())
        return fail(reason, QStringLiteral("no stored entries"));
    if (entries.size() > qsizetype(channels) * kMaxEntries)
        return fail(
            reason,
            QStringLiteral("%1 entries, more than %2 per channel").arg(entries.size()).arg(kMaxEntries));
    std::vector<std::vector<bool>> seen(static_cast<size_t>(channels));
    for (const DBDisplayCurrentLUT::Entry& entry : entries) {
        if (entry.channel < 0)
            return fail(reason,
                        QStringLiteral("channel %1 outside 0..%2").arg(entry.channel).arg(channels - 1));
        // Tables for further LUTs of the display follow the target's channels; not ours to load.
        if (entry.channel >= channels)
            continue;
        if (entry.ddl < 0 || entry.ddl >= kMaxEntries)
            return fail(reason,
                        QStringLiteral("input level %1 outside 0..%2").arg(entry.ddl).arg(kMaxEntries - 1));
        if (entry.value < 0 || entry.value > maxValue)
            return fail(reason, QStringLiteral("value %1 at channel %2, level %3 outside 0..%4")
                                    .arg(entry.value)
                                    .arg(entry.channel)
                                    .arg(entry.ddl)
                                    .arg(maxValue));
        std::vector<bool>& levels = seen[static_cast<size_t>(entry.channel)];
        if (levels.size() <= static_cast<size_t>(entry.ddl))
            levels.resize(static_cast<size_t>(entry.ddl) + 1, false);
        if (levels[static_cast<size_t>(entry.ddl)])
            return fail(
                reason,
                QStringLiteral("level %1 of channel %2 stored twice").arg(entry.ddl).arg(entry.channel));
        levels[static_cast<size_t>(entry.ddl)] = true;
    }
    const size_t length = seen.front().size();
    for (size_t channel = 0; channel < seen.size(); ++channel) {
        const std::vector<bool>& levels = seen[channel];
        if (levels.size() != length)
            return fail(reason, QStringLiteral("channel %1 has %2 levels, channel 0 has %3")
                                    .arg(channel)
                                    .arg(levels.size())
                                    .arg(length));
        for (size_t level = 0; level < levels.size(); ++level)
            if (!levels[level])
                return fail(reason,
                            QStringLiteral("level %1 of channel %2 is missing").arg(level).arg(channel));
    }
    if (length < 2)
        return fail(reason, QStringLiteral("%1 level per channel is not a table").arg(length));
    return true;
}

bool StoredTableCheck::checkChannels(const DBDisplayCurrentLUT::Channels& channels, int maxValue,
                                     QString* reason)
{
    if (channels.empty())
        return fail(reason, QStringLiteral("no channels"));
    const size_t length = channels.front().size();
    if (length < 2 || length > static_cast<size_t>(kMaxEntries))
        return fail(reason,
                    QStringLiteral("%1 entries per channel (2 to %2 expected)").arg(length).arg(kMaxEntries));
    for (size_t channel = 0; channel < channels.size(); ++channel) {
        if (channels[channel].size() != length)
            return fail(reason, QStringLiteral("channel %1 has %2 entries, channel 0 has %3")
                                    .arg(channel)
                                    .arg(channels[channel].size())
                                    .arg(length));
        for (size_t level = 0; level < length; ++level) {
            const int value = channels[channel][level];
            if (value < 0 || value > maxValue)
                return fail(reason, QStringLiteral("value %1 at channel %2, level %3 outside 0..%4")
                                        .arg(value)
                                        .arg(channel)
                                        .arg(level)
                                        .arg(maxValue));
        }
    }
    return true;
}
