// A second writer for the display tables: run twice at once against one database
// file, it does the read-check-insert operations that must never create a row twice.
// With "rollback-first" it makes every display table class in a transaction that
// rolls back, as a fresh process would, and then checks the tables exist.
#include "db/DB.h"
#include "db/DBCurrentDisplays.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplayStatistic.h"
#include "db/DBDisplays.h"
#include "db/DBDisplaysAmbient.h"
#include "db/DBShutdownSafeSystem.h"
#include "db/DBStatusDisplays.h"
#include "db/DBTransaction.h"
#include "db/DBUniformity.h"
#include "db/KaldoDynamicData.h"

#include <QCoreApplication>
#include <QRect>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kDisplay = 100;

void quietOutput(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type >= QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void constructEveryTableClass()
{
    DBDisplays displays;
    DBDisplayCurrentLUT luts;
    DBStatusDisplays statuses;
    DBDisplayStatistic statistics;
    DBDisplaysAmbient ambient;
    DBShutdownSafeSystem safeSystem;
    DBCurrentDisplays current;
    DBUniformity uniformity;
}

int rollbackFirst()
{
    {
        DBTransaction transaction;
        constructEveryTableClass();
        transaction.failTransaction();
    }
    constructEveryTableClass();
    int missing = 0;
    for (const char* table :
         {"Displays", "DisplayInfo", "CurrentDisplays", "DisplayCurrentLUT", "LUTEntries", "StatusDisplays",
          "DisplayStatistic", "DisplaysAmbient", "ShotdownSafeSystem", "Uniformity", "Uniformity_Data"}) {
        if (!DB::get()->tableExists(QLatin1String(table))) {
            std::fprintf(stderr, "missing table %s\n", table);
            ++missing;
        }
    }
    DB::free();
    return missing == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietOutput);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[2] == QLatin1String("rollback-first")) {
        DB::setPath(args[1]);
        return rollbackFirst();
    }
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: display_tables_worker DIRECTORY ROUNDS TAG\n");
        return 2;
    }
    DB::setPath(args[1]);
    const int rounds = args[2].toInt();
    const QString tag = args[3];

    DBDisplays displays;
    DBDisplayStatistic statistics;
    DBStatusDisplays statuses;
    DBShutdownSafeSystem safeSystem;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        // Both workers go through the same keys in the same order, so every round is a race.
        const QString key = QString::number(round);
        const bool ok = displays.getFairyDisplay(QRect(0, 0, 800 + round, 600)) >= 0 &&
                        displays.setDisplayInfo(kDisplay, QStringLiteral("setting") + key, tag) &&
                        statistics.AddStatisticInfo(QStringLiteral("day") + key, kDisplay) &&
                        statuses.SetStatusInfo(kDisplay, QStringLiteral("limit") + key, tag) &&
                        safeSystem.setNewTask(round);
        if (!ok)
            ++failures;
    }
    DB::free();
    return failures == 0 ? 0 : 1;
}
