// A second writer for the display tables: run twice at once against one database
// file, it does the read-check-insert operations that must never create a row twice.
#include "db/DB.h"
#include "db/DBDisplayStatistic.h"
#include "db/DBDisplays.h"
#include "db/DBShutdownSafeSystem.h"
#include "db/DBStatusDisplays.h"

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietOutput);
    const QStringList args = app.arguments();
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
