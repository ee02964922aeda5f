#include "db/DBDisplayCurrentLUT.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

#include <atomic>
#include <limits>

const QString DBDisplayCurrentLUT::TABLE_CURRENT_LUT = QStringLiteral("DisplayCurrentLUT");
const QString DBDisplayCurrentLUT::TABLE_LUT_ENTRIES = QStringLiteral("LUTEntries");

namespace {

std::atomic<bool> s_checked{false};

int toInt(const QString& text, bool* ok = nullptr)
{
    return text.toInt(ok);
}

// What toInt of the column's text gives, without making the text.
int intOf(const KaldoDataIterator& it, const QString& column)
{
    bool ok = false;
    const qint64 number = it.integer(column, &ok);
    return ok && number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()
               ? static_cast<int>(number)
               : 0;
}

} // namespace

DBDisplayCurrentLUT::DBDisplayCurrentLUT() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBDisplayCurrentLUT::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE_CURRENT_LUT),
                                              Schema::table(TABLE_LUT_ENTRIES)};
    return Schema::checkOnce(data, tables, s_checked);
}

int DBDisplayCurrentLUT::addRecord(int displayid, int luttype, int uniformityid)
{
    qint64 newId = -1;
    const bool ok = data_->addinfo(TABLE_CURRENT_LUT,
                                   {{QStringLiteral("displayid"), QString::number(displayid)},
                                    {QStringLiteral("luttype"), QString::number(luttype)},
                                    {QStringLiteral("currentuniformityid"), QString::number(uniformityid)}},
                                   &newId);
    if (!ok || newId < 0) {
        qWarning() << "DBDisplayCurrentLUT::addRecord failed for display" << displayid;
        return -1;
    }
    return static_cast<int>(newId);
}

bool DBDisplayCurrentLUT::addEntry(int currentlutid, int ddl, int channel, int value)
{
    return data_->exec(
        QStringLiteral("INSERT INTO LUTEntries(currentlutid, ddl, channel, value) VALUES(?, ?, ?, ?)"),
        {currentlutid, ddl, channel, value});
}

bool DBDisplayCurrentLUT::addEntries(int currentlutid, const Channels& channels)
{
    // Rows go in batches of one statement each: a 3 x 1024 LUT is a few statements
    // instead of thousands while the transaction holds the file.
    constexpr int kRowsPerStatement = 200;
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    QVariantList parameters;
    int rows = 0;
    auto flush = [&]() {
        if (rows == 0)
            return true;
        QStringList placeholders(rows, QStringLiteral("(?, ?, ?, ?)"));
        const bool ok =
            data_->exec(QStringLiteral("INSERT INTO LUTEntries(currentlutid, ddl, channel, value) VALUES ") +
                            placeholders.join(QLatin1Char(',')),
                        parameters);
        parameters.clear();
        rows = 0;
        return ok;
    };
    bool ok = true;
    for (size_t channel = 0; ok && channel < channels.size(); ++channel) {
        for (size_t ddl = 0; ok && ddl < channels[channel].size(); ++ddl) {
            parameters << currentlutid << static_cast<int>(ddl) << static_cast<int>(channel)
                       << channels[channel][ddl];
            if (++rows == kRowsPerStatement)
                ok = flush();
        }
    }
    if (!ok || !flush()) {
        qWarning() << "DBDisplayCurrentLUT::addEntries failed for LUT" << currentlutid;
        transaction.failTransaction();
        return false;
    }
    return true;
}

int DBDisplayCurrentLUT::storeLUT(int displayid, int luttype, int uniformityid, const Channels& channels)
{
    DBTransaction transaction;
    if (!transaction.started())
        return -1;
    const int id = clean(displayid) ? addRecord(displayid, luttype, uniformityid) : -1;
    if (id < 0 || !addEntries(id, channels)) {
        transaction.failTransaction();
        return -1;
    }
    return id;
}

int DBDisplayCurrentLUT::currentLutId(int displayid)
{
    // One record per display is the rule; should the main application have left
    // several, the newest one is the LUT in force.
    const auto it =
        data_->query(QStringLiteral("SELECT currentlutid FROM DisplayCurrentLUT WHERE displayid = ? "
                                    "ORDER BY currentlutid DESC LIMIT 1"),
                     {displayid});
    bool ok = false;
    const int id = it.IsNull() ? -1 : toInt(it.value(QStringLiteral("currentlutid")), &ok);
    return ok ? id : -1;
}

QString DBDisplayCurrentLUT::recordColumn(int displayid, const QString& name)
{
    const int id = currentLutId(displayid);
    if (id < 0)
        return {};
    const auto it =
        data_->readinfo(TABLE_CURRENT_LUT, {{QStringLiteral("currentlutid"), QString::number(id)}});
    return it.IsNull() ? QString() : it.value(name);
}

int DBDisplayCurrentLUT::lutType(int displayid)
{
    return toInt(recordColumn(displayid, QStringLiteral("luttype")));
}

int DBDisplayCurrentLUT::uniformityId(int displayid)
{
    // Uniformity keys start at 1; a stored 0 and a missing record both mean no correction.
    const int id = toInt(recordColumn(displayid, QStringLiteral("currentuniformityid")));
    return id > 0 ? id : -1;
}

QList<DBDisplayCurrentLUT::Entry> DBDisplayCurrentLUT::readRawEntries(int currentlutid)
{
    QList<Entry> entries;
    auto it = data_->query(QStringLiteral("SELECT ddl, channel, value FROM LUTEntries WHERE currentlutid = ? "
                                          "ORDER BY channel, ddl"),
                           {currentlutid});
    for (; !it.IsNull(); ++it) {
        entries.append({intOf(it, QStringLiteral("ddl")), intOf(it, QStringLiteral("channel")),
                        intOf(it, QStringLiteral("value"))});
    }
    return entries;
}

DBDisplayCurrentLUT::Channels DBDisplayCurrentLUT::readEntry(int currentlutid)
{
    // Channels are kept in channel-number order whatever numbers they carry; a level
    // stored twice for a channel is a damaged table and only its first value is used.
    Channels channels;
    int lastChannel = 0;
    int lastDdl = 0;
    bool skippedDuplicates = false;
    for (const Entry& entry : readRawEntries(currentlutid)) {
        if (channels.empty() || entry.channel != lastChannel) {
            channels.emplace_back();
        } else if (entry.ddl == lastDdl) {
            skippedDuplicates = true;
            continue;
        }
        channels.back().push_back(entry.value);
        lastChannel = entry.channel;
        lastDdl = entry.ddl;
    }
    if (skippedDuplicates)
        qWarning() << "DBDisplayCurrentLUT::readEntry LUT" << currentlutid
                   << "holds duplicate levels; ignored";
    return channels;
}

DBDisplayCurrentLUT::Channels DBDisplayCurrentLUT::readEntryByDisplayId(int displayid)
{
    const int id = currentLutId(displayid);
    return id < 0 ? Channels() : readEntry(id);
}

bool DBDisplayCurrentLUT::clean(int displayid)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    const bool ok =
        data_->exec(QStringLiteral("DELETE FROM LUTEntries WHERE currentlutid IN "
                                   "(SELECT currentlutid FROM DisplayCurrentLUT WHERE displayid = ?)"),
                    {displayid}) &&
        data_->delinfo(TABLE_CURRENT_LUT, {{QStringLiteral("displayid"), QString::number(displayid)}});
    if (!ok)
        transaction.failTransaction();
    return ok;
}

bool DBDisplayCurrentLUT::removeEntry(int currentlutid)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    const KaldoDynamicData::Values where{{QStringLiteral("currentlutid"), QString::number(currentlutid)}};
    const bool ok = data_->delinfo(TABLE_LUT_ENTRIES, where) && data_->delinfo(TABLE_CURRENT_LUT, where);
    if (!ok)
        transaction.failTransaction();
    return ok;
}
