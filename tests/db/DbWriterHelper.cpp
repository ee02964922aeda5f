// A second process for the database tests: writes into the shared file the way
// the main application does while the agent runs, and can be killed at any point.
//
//   db_writer writer DIR TAG COUNT   preferences and display rows in a loop
//   db_writer batches DIR            1000-row history batches, "committed N" after each
//   db_writer rebuild DIR ROWS       an old-schema history table, then the upgrade
#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int failed(const QString& what)
{
    std::fprintf(stderr, "FAILED %s\n", qPrintable(what));
    return 1;
}

// Registers display `serial` once, however many processes ask at the same time.
bool touchDisplay(KaldoDynamicData& db, const QString& serial, const QString& tag, int i)
{
    DBTransaction transaction;
    qint64 id = -1;
    KaldoDataIterator found = db.readinfo(QStringLiteral("Displays"), {{QStringLiteral("serial"), serial}});
    bool ok = true;
    if (found.IsNull())
        ok = db.addinfo(QStringLiteral("Displays"),
                        {{QStringLiteral("serial"), serial}, {QStringLiteral("isactive"), "1"}}, &id);
    else
        id = found.value(QStringLiteral("displayid")).toLongLong();
    ok = ok && db.changeinfo(QStringLiteral("Displays"), {{QStringLiteral("displayid"), QString::number(id)}},
                             {{QStringLiteral("left"), QString::number(i)}});
    ok = ok && db.addinfo(QStringLiteral("DisplayInfo"), {{QStringLiteral("displayid"), QString::number(id)},
                                                          {QStringLiteral("name"), tag},
                                                          {QStringLiteral("value"), QString::number(i)}});
    if (!ok)
        transaction.failTransaction();
    return ok;
}

int writer(const QString& tag, int count)
{
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!Schema::checkAll(*db))
        return failed(QStringLiteral("schema"));
    DBPreferences preferences;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        if (!preferences.setValue(tag + QLatin1Char('-') + QString::number(i), QString::number(i)))
            failures += failed(QStringLiteral("own preference %1").arg(i));
        if (!preferences.setValue(QStringLiteral("shared-%1").arg(i % 10), tag + QString::number(i)))
            failures += failed(QStringLiteral("shared preference %1").arg(i));
        if (!touchDisplay(*db, QStringLiteral("SERIAL-%1").arg(i % 20), tag, i))
            failures += failed(QStringLiteral("display %1").arg(i));
    }
    say(QStringLiteral("done"));
    return failures;
}

int batches()
{
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!Schema::checkAll(*db))
        return failed(QStringLiteral("schema"));
    // Bounded, so a test that never kills it still ends.
    for (int batch = 0; batch < 2000; ++batch) {
        {
            DBTransaction transaction;
            for (int row = 0; row < 1000; ++row) {
                if (!db->addinfo(QStringLiteral("History"),
                                 {{QStringLiteral("deviceid"), "1"},
                                  {QStringLiteral("runtime"), QString::number(row)},
                                  {QStringLiteral("textname"), QStringLiteral("batch-%1").arg(batch)}}))
                    transaction.failTransaction();
            }
        }
        say(QStringLiteral("committed %1").arg(batch));
    }
    return 0;
}

int rebuild(int rows)
{
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    const bool ready =
        db->exec(
            QStringLiteral("CREATE TABLE History(historyid INTEGER PRIMARY KEY, deviceid TEXT, runtime TEXT, "
                           "textname TEXT, result TEXT)")) &&
        db->exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO History(deviceid, runtime, textname, result) "
                           "SELECT '1', CAST(i AS TEXT), 'row ' || i, '2' FROM n")
                .arg(rows));
    QList<TableSchema> others = Schema::all();
    others.removeIf([](const TableSchema& table) { return table.name == QLatin1String("History"); });
    if (!ready || !Schema::checkTables(*db, others))
        return failed(QStringLiteral("fixture"));
    // Only the long rebuild of the history table is left, so a kill now lands inside it.
    say(QStringLiteral("rebuilding"));
    return Schema::checkTables(*db, {Schema::table(QStringLiteral("History"))})
               ? 0
               : failed(QStringLiteral("upgrade"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2)
        return 2;
    DB::setPath(args.at(1));
    int result = 2;
    if (args.at(0) == QLatin1String("writer") && args.size() == 4)
        result = writer(args.at(2), args.at(3).toInt());
    else if (args.at(0) == QLatin1String("batches"))
        result = batches();
    else if (args.at(0) == QLatin1String("rebuild") && args.size() == 3)
        result = rebuild(args.at(2).toInt());
    DB::free();
    return result;
}
