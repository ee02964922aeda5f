// Cost of the table engine against raw SQLite on the same machine in the same
// run. The goal figures time the table classes the agent calls (a LUT stored and
// read back as the loader reads it, a year of history records and their settings
// written and listed) against the same statements run through the SQLite C API
// in the plainest way. The generic row calls (one addinfo/readinfo per row) are
// timed as well, for information: the agent does not store LUTs that way.
#include "bench/support/BenchReport.h"
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBHistory.h"
#include "db/DBTransaction.h"
#include "db/HistoryPreferences.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <sqlite3.h>

namespace {

constexpr int kChannels = 3;
constexpr int kEntries = 1024;
constexpr int kDays = 365;
constexpr int kRecordsPerDay = 4;
constexpr qint64 kYearStart = 1767225600; // 2026-01-01
const char* const kHistoryNames[] = {"Model", "SerialNumber", "Classification", "SensorModel"};

volatile qint64 g_sink = 0;

class RawDatabase
{
public:
    explicit RawDatabase(const QString& path)
    {
        sqlite3_open(path.toUtf8().constData(), &m_db);
        sqlite3_busy_timeout(m_db, 10000);
        exec("CREATE TABLE IF NOT EXISTS LUTEntries(channel INTEGER,currentlutid INTEGER,ddl INTEGER,value "
             "INTEGER)");
        exec("CREATE INDEX IF NOT EXISTS i1 ON LUTEntries(currentlutid)");
        exec("CREATE TABLE IF NOT EXISTS DisplayCurrentLUT(currentlutid INTEGER PRIMARY KEY,"
             "currentuniformityid INTEGER,displayid INTEGER,luttype TEXT)");
        exec("CREATE INDEX IF NOT EXISTS i5 ON DisplayCurrentLUT(displayid)");
        exec("CREATE TABLE IF NOT EXISTS History(deviceid INTEGER,displayid INTEGER,historyid INTEGER "
             "PRIMARY KEY,"
             "historytype INTEGER,isdisabled INTEGER,issynchron INTEGER,result INTEGER,runtime "
             "INTEGER,textname TEXT)");
        // The same indexes as the engine's schema, so that both sides do the same work.
        exec("CREATE INDEX IF NOT EXISTS i2 ON History(deviceid,runtime)");
        exec("CREATE INDEX IF NOT EXISTS i4 ON History(issynchron)");
        exec("CREATE TABLE IF NOT EXISTS HistoryPreferences(historyid INTEGER,name TEXT,value TEXT)");
        exec("CREATE INDEX IF NOT EXISTS i3 ON HistoryPreferences(historyid)");
    }
    ~RawDatabase() { sqlite3_close(m_db); }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    void exec(const char* sql) { sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
        return statement;
    }
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

void writeLutRaw(RawDatabase& raw)
{
    raw.exec("BEGIN IMMEDIATE");
    raw.exec("DELETE FROM LUTEntries WHERE currentlutid=1");
    sqlite3_stmt* insert =
        raw.prepare("INSERT INTO LUTEntries(currentlutid,ddl,channel,value) VALUES(1,?,?,?)");
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int ddl = 0; ddl < kEntries; ++ddl) {
            sqlite3_bind_int(insert, 1, ddl);
            sqlite3_bind_int(insert, 2, channel);
            sqlite3_bind_int(insert, 3, ddl * 4 + channel);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    raw.exec("COMMIT");
}

void readLutRaw(RawDatabase& raw)
{
    sqlite3_stmt* select = raw.prepare("SELECT * FROM LUTEntries WHERE currentlutid=?");
    sqlite3_bind_int(select, 1, 1);
    qint64 sum = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
        for (int column = 0; column < 4; ++column)
            sum += sqlite3_column_int(select, column);
    }
    sqlite3_finalize(select);
    g_sink = sum;
}

void writeLutEngine(KaldoDynamicData& db)
{
    DBTransaction transaction;
    db.delinfo(QStringLiteral("LUTEntries"), {{QStringLiteral("currentlutid"), QStringLiteral("1")}});
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int ddl = 0; ddl < kEntries; ++ddl) {
            db.addinfo(QStringLiteral("LUTEntries"),
                       {{QStringLiteral("currentlutid"), QStringLiteral("1")},
                        {QStringLiteral("ddl"), QString::number(ddl)},
                        {QStringLiteral("channel"), QString::number(channel)},
                        {QStringLiteral("value"), QString::number(ddl * 4 + channel)}});
        }
    }
}

void readLutEngine(KaldoDynamicData& db)
{
    qint64 sum = 0;
    for (KaldoDataIterator it =
             db.readinfo(QStringLiteral("LUTEntries"), {{QStringLiteral("currentlutid"), "1"}});
         !it.IsNull(); ++it) {
        sum += it.integer(QStringLiteral("channel")) + it.integer(QStringLiteral("currentlutid")) +
               it.integer(QStringLiteral("ddl")) + it.integer(QStringLiteral("value"));
    }
    g_sink = sum;
}

void writeYearRaw(RawDatabase& raw)
{
    raw.exec("BEGIN IMMEDIATE");
    raw.exec("DELETE FROM History");
    raw.exec("DELETE FROM HistoryPreferences");
    sqlite3_stmt* record =
        raw.prepare("INSERT INTO History(deviceid,displayid,runtime,textname,result,historytype,"
                    "issynchron,isdisabled) VALUES(1,1,?,'QA IEC 62563-1',2,1,0,0)");
    sqlite3_stmt* preference =
        raw.prepare("INSERT INTO HistoryPreferences(historyid,name,value) VALUES(?,?,?)");
    for (int i = 0; i < kDays * kRecordsPerDay; ++i) {
        sqlite3_bind_int64(record, 1, kYearStart + i * 21600);
        sqlite3_step(record);
        sqlite3_reset(record);
        const sqlite3_int64 id = sqlite3_last_insert_rowid(raw.handle());
        for (const char* name : kHistoryNames) {
            sqlite3_bind_int64(preference, 1, id);
            sqlite3_bind_text(preference, 2, name, -1, SQLITE_STATIC);
            sqlite3_bind_text(preference, 3, "value", -1, SQLITE_STATIC);
            sqlite3_step(preference);
            sqlite3_reset(preference);
        }
    }
    sqlite3_finalize(record);
    sqlite3_finalize(preference);
    raw.exec("COMMIT");
}

void readYearRaw(RawDatabase& raw)
{
    sqlite3_stmt* select =
        raw.prepare("SELECT History.historyid FROM History WHERE History.deviceid = 1 AND "
                    "History.runtime >= ? AND History.runtime <= ? AND isdisabled=0 ORDER BY "
                    "History.runtime ASC");
    sqlite3_bind_int64(select, 1, kYearStart);
    sqlite3_bind_int64(select, 2, kYearStart + 366LL * 86400);
    qint64 count = 0;
    while (sqlite3_step(select) == SQLITE_ROW)
        count += sqlite3_column_int64(select, 0) > 0 ? 1 : 0;
    sqlite3_finalize(select);
    g_sink = count;
}

void writeYearEngine(KaldoDynamicData& db)
{
    DBTransaction transaction;
    db.exec(QStringLiteral("DELETE FROM History"));
    db.exec(QStringLiteral("DELETE FROM HistoryPreferences"));
    for (int i = 0; i < kDays * kRecordsPerDay; ++i) {
        qint64 id = -1;
        db.addinfo(QStringLiteral("History"),
                   {{QStringLiteral("deviceid"), QStringLiteral("1")},
                    {QStringLiteral("displayid"), QStringLiteral("1")},
                    {QStringLiteral("runtime"), QString::number(kYearStart + i * 21600)},
                    {QStringLiteral("textname"), QStringLiteral("QA IEC 62563-1")},
                    {QStringLiteral("result"), QStringLiteral("2")},
                    {QStringLiteral("historytype"), QStringLiteral("1")},
                    {QStringLiteral("issynchron"), QStringLiteral("0")},
                    {QStringLiteral("isdisabled"), QStringLiteral("0")}},
                   &id);
        for (const char* name : kHistoryNames) {
            db.addinfo(QStringLiteral("HistoryPreferences"),
                       {{QStringLiteral("historyid"), QString::number(id)},
                        {QStringLiteral("name"), QString::fromLatin1(name)},
                        {QStringLiteral("value"), QStringLiteral("value")}});
        }
    }
}

void readYearEngine(KaldoDynamicData& db)
{
    qint64 count = 0;
    for (KaldoDataIterator it = db.query(QStringLiteral("SELECT History.historyid FROM History WHERE "
                                                        "History.deviceid = 1 AND History.runtime >= ? AND "
                                                        "History.runtime <= ? AND isdisabled=0 ORDER BY "
                                                        "History.runtime ASC"),
                                         {kYearStart, kYearStart + 366LL * 86400});
         !it.IsNull(); ++it)
        count += it.integer(QStringLiteral("historyid")) > 0 ? 1 : 0;
    g_sink = count;
}

using Channels = DBDisplayCurrentLUT::Channels;

Channels benchLut()
{
    Channels channels(kChannels, std::vector<int>(kEntries));
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int ddl = 0; ddl < kEntries; ++ddl)
            channels[channel][ddl] = ddl * 64 + channel;
    }
    return channels;
}

// What DBDisplayCurrentLUT::storeLUT does for display 1, statement for statement.
void storeLutRaw(RawDatabase& raw, const Channels& channels)
{
    raw.exec("BEGIN IMMEDIATE");
    raw.exec("DELETE FROM LUTEntries WHERE currentlutid IN (SELECT currentlutid FROM DisplayCurrentLUT "
             "WHERE displayid=1)");
    raw.exec("DELETE FROM DisplayCurrentLUT WHERE displayid=1");
    raw.exec("INSERT INTO DisplayCurrentLUT(displayid,luttype,currentuniformityid) VALUES(1,'0',-1)");
    const sqlite3_int64 id = sqlite3_last_insert_rowid(raw.handle());
    sqlite3_stmt* insert =
        raw.prepare("INSERT INTO LUTEntries(currentlutid,ddl,channel,value) VALUES(?,?,?,?)");
    for (size_t channel = 0; channel < channels.size(); ++channel) {
        for (size_t ddl = 0; ddl < channels[channel].size(); ++ddl) {
            sqlite3_bind_int64(insert, 1, id);
            sqlite3_bind_int(insert, 2, static_cast<int>(ddl));
            sqlite3_bind_int(insert, 3, static_cast<int>(channel));
            sqlite3_bind_int(insert, 4, channels[channel][ddl]);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    raw.exec("COMMIT");
}

void storeLutEngine(const Channels& channels)
{
    DBDisplayCurrentLUT().storeLUT(1, 0, -1, channels);
}

// What the LUT loader reads of a display's stored table: the record in force and its rows.
void loadLutRaw(RawDatabase& raw)
{
    sqlite3_stmt* record = raw.prepare("SELECT currentlutid FROM DisplayCurrentLUT WHERE displayid = ? "
                                       "ORDER BY currentlutid DESC LIMIT 1");
    sqlite3_bind_int(record, 1, 1);
    const sqlite3_int64 id = sqlite3_step(record) == SQLITE_ROW ? sqlite3_column_int64(record, 0) : -1;
    sqlite3_finalize(record);
    sqlite3_stmt* select = raw.prepare("SELECT ddl, channel, value FROM LUTEntries WHERE currentlutid = ? "
                                       "ORDER BY channel, ddl");
    sqlite3_bind_int64(select, 1, id);
    QList<DBDisplayCurrentLUT::Entry> entries;
    while (sqlite3_step(select) == SQLITE_ROW) {
        entries.append(
            {sqlite3_column_int(select, 0), sqlite3_column_int(select, 1), sqlite3_column_int(select, 2)});
    }
    sqlite3_finalize(select);
    g_sink = entries.size();
}

void loadLutEngine()
{
    DBDisplayCurrentLUT stored;
    const int id = stored.currentLutId(1);
    g_sink = stored.readRawEntries(id).size();
}

void addYearEngine(KaldoDynamicData& db)
{
    DBTransaction transaction;
    db.exec(QStringLiteral("DELETE FROM History"));
    db.exec(QStringLiteral("DELETE FROM HistoryPreferences"));
    DBHistory history;
    HistoryPreferences preferences;
    const QString testName = QStringLiteral("QA IEC 62563-1");
    const QString value = QStringLiteral("value");
    for (int i = 0; i < kDays * kRecordsPerDay; ++i) {
        const qint64 id = history.addRecord(1, testName, 1, 2, kYearStart + i * 21600);
        for (const char* name : kHistoryNames)
            preferences.addValue(id, QString::fromLatin1(name), value);
    }
}

void listYearRaw(RawDatabase& raw)
{
    sqlite3_stmt* select =
        raw.prepare("SELECT History.historyid FROM History WHERE History.deviceid = ? AND "
                    "History.runtime >= ? AND History.runtime <= ? AND isdisabled=0 ORDER BY "
                    "History.runtime ASC");
    sqlite3_bind_int(select, 1, 1);
    sqlite3_bind_int64(select, 2, kYearStart);
    sqlite3_bind_int64(select, 3, kYearStart + 366LL * 86400);
    QList<qint64> ids;
    while (sqlite3_step(select) == SQLITE_ROW)
        ids << sqlite3_column_int64(select, 0);
    sqlite3_finalize(select);
    g_sink = ids.size();
}

void listYearEngine()
{
    QList<qint64> ids;
    DBHistory().GetDisplayHistory(1, kYearStart, kYearStart + 366LL * 86400, ids, true);
    g_sink = ids.size();
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    QString folder = qEnvironmentVariable("LUTLOADER_DATA_DIR");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    folder += QStringLiteral("/dbbench");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);

    DB::setPath(folder);
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    Schema::checkAll(*db);
    RawDatabase raw(folder + QStringLiteral("/raw.db"));

    struct Pair
    {
        const char* name;
        std::function<void()> engine;
        std::function<void()> raw;
    };
    const Channels lut = benchLut();
    const Pair agentCalls[] = {
        {"store a 3 x 1024 LUT", [&] { storeLutEngine(lut); }, [&] { storeLutRaw(raw, lut); }},
        {"read a 3 x 1024 LUT for loading", [&] { loadLutEngine(); }, [&] { loadLutRaw(raw); }},
        {"write a year of history (1460 + 5840 rows)", [&] { addYearEngine(*db); },
         [&] { writeYearRaw(raw); }},
        {"list a year of history (1460 rows)", [&] { listYearEngine(); }, [&] { listYearRaw(raw); }},
    };
    const Pair rowCalls[] = {
        {"write 3 x 1024 LUT rows one by one", [&] { writeLutEngine(*db); }, [&] { writeLutRaw(raw); }},
        {"read 3 x 1024 LUT rows, every column", [&] { readLutEngine(*db); }, [&] { readLutRaw(raw); }},
        {"write a year of history, generic rows", [&] { writeYearEngine(*db); }, [&] { writeYearRaw(raw); }},
        {"read a year of history, generic query", [&] { readYearEngine(*db); }, [&] { readYearRaw(raw); }},
    };
    // Rounds alternate between the two sides so that a busy moment of the machine
    // falls on both alike; the least time of the rounds is the least disturbed one.
    // Wall time includes the commit's wait for the disk, the same on both sides;
    // processor time of this thread shows the cost of the code alone.
    constexpr int kRounds = 15;
    using Clock = std::chrono::steady_clock;
    const auto cpuNow = [] {
        timespec spent{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent);
        return spent.tv_sec * 1e9 + static_cast<double>(spent.tv_nsec);
    };
    struct Least
    {
        double wall = 1e300;
        double cpu = 1e300;
    };
    const auto time = [&](const std::function<void()>& work, Least* least) {
        const double cpuStart = cpuNow();
        const auto start = Clock::now();
        work();
        least->wall =
            std::min(least->wall, std::chrono::duration<double, std::nano>(Clock::now() - start).count());
        least->cpu = std::min(least->cpu, cpuNow() - cpuStart);
    };
    const auto compare = [&](const Pair& pair) {
        pair.raw(); // warm caches and lazy initialisation
        pair.engine();
        Least raw;
        Least engine;
        for (int round = 0; round < kRounds; ++round) {
            time(pair.raw, &raw);
            time(pair.engine, &engine);
        }
        report.add(QStringLiteral("db raw sqlite: ") + QLatin1String(pair.name), raw.wall);
        report.add(QStringLiteral("db engine:     ") + QLatin1String(pair.name), engine.wall);
        std::printf("%-45s wall: engine %8.3f ms, raw %8.3f ms: %5.2f x raw | processor: engine %8.3f ms, "
                    "raw %8.3f ms: %5.2f x raw\n",
                    pair.name, engine.wall / 1e6, raw.wall / 1e6, engine.wall / raw.wall, engine.cpu / 1e6,
                    raw.cpu / 1e6, engine.cpu / raw.cpu);
    };
    std::printf("the agent's table calls against raw SQLite, least of %d rounds (goal: <= 2 x raw)\n",
                kRounds);
    for (const Pair& pair : agentCalls)
        compare(pair);
    std::printf("for information, the generic row calls against raw SQLite (no goal)\n");
    for (const Pair& pair : rowCalls)
        compare(pair);
}
