// Rebuilding the QA plan of 16 displays against the same data read with one plain
// query per table (the floor), for 1, 2 and 5 years of history: about 125 QA runs
// per display and year (weekly, monthly and every sixth day a daily run), each
// with its step results.
#include "bench/support/BenchReport.h"
#include "db/DB.h"
#include "db/DBHistory.h"
#include "db/DBPreferences.h"
#include "db/DBQAHistory.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "qa/QAScheduling.h"
#include "qa/RegulationSettings.h"

#include <QDateTime>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kDisplays = 16;
volatile qint64 g_sink = 0;

QByteArray regulation()
{
    QString steps;
    const auto step = [&](int id, const char* type, int frequency) {
        steps += QStringLiteral(
                     "<step id=\"%1\" name=\"S%1\" type=\"%2\" position=\"%1\"><classification id=\"1\">"
                     "<restrictions><restriction set=\"0\" frequency=\"%3\"/></restrictions>"
                     "</classification></step>")
                     .arg(id)
                     .arg(QString::fromLatin1(type))
                     .arg(frequency);
    };
    step(1, "visual", 0);
    step(2, "visual", 0);
    step(3, "measurement", 1);
    step(4, "measurement", 1);
    step(5, "visual", 1);
    step(6, "measurement", 2);
    step(7, "measurement", 2);
    step(8, "visual", 2);
    return (QStringLiteral(
                "<regulationsettings><regulation id=\"B\" name=\"Bench\"><classifications><classification "
                "id=\"1\" name=\"One\"/></classifications><steps>") +
            steps + QStringLiteral("</steps><initialsteps/></regulation></regulationsettings>"))
        .toUtf8();
}

int seed(int years, qint64 end)
{
    auto db = DB::get();
    Schema::checkAll(*db);
    DBPreferences preferences;
    preferences.setValue(QStringLiteral("UsedRegulation"), QStringLiteral("B"), false);
    preferences.setValue(QStringLiteral("UsedClassification"), QStringLiteral("1"), false);
    DBTransaction transaction;
    DBHistory history;
    DBQAHistory qa;
    int rows = 0;
    const QDate last = QDateTime::fromSecsSinceEpoch(end).date();
    for (int display = 1; display <= kDisplays; ++display) {
        db->addinfo(QStringLiteral("Displays"), {{QStringLiteral("displayid"), QString::number(display)},
                                                 {QStringLiteral("isactive"), QStringLiteral("1")}});
        db->addinfo(QStringLiteral("CurrentDisplays"), {{QStringLiteral("id"), QString::number(display)}});
        db->addinfo(QStringLiteral("DisplayInfo"), {{QStringLiteral("displayid"), QString::number(display)},
                                                    {QStringLiteral("name"), QStringLiteral("Model")},
                                                    {QStringLiteral("value"), QStringLiteral("Bench")}});
        const QDate first = last.addYears(-years);
        for (QDate day = first; day < last; day = day.addDays(1)) {
            QList<int> steps;
            if (day.daysTo(last) % 6 == 0)
                steps << 1 << 2;
            if (day.dayOfWeek() == 1)
                steps << 3 << 4 << 5;
            if (day.day() == 1)
                steps << 6 << 7 << 8;
            if (steps.isEmpty())
                continue;
            const qint64 id = history.addRecord(display, QStringLiteral("QA Bench"), 1, 2,
                                                QDateTime(day, QTime(9, 0)).toSecsSinceEpoch());
            ++rows;
            for (const int step : steps)
                qa.addStepResult(id, QStringLiteral("B"), 1, step, 0, 2, QString(), QString(), 0, 0, false);
        }
    }
    return rows;
}

void readFloor()
{
    QSqlQuery query(DB::get()->rawDatabase());
    qint64 sum = 0;
    for (const char* table : {"History", "QAResults", "Displays", "DisplayInfo", "CurrentDisplays",
                              "QASchedulingGroupsExceptions", "Preferences"}) {
        query.exec(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(table));
        while (query.next())
            sum += query.value(0).toString().size();
    }
    g_sink = sum;
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    // The planner narrates into the agent's log; here that would time the console.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    RegulationSettings::instance()->ClearRegulations();
    RegulationSettings::instance()->ReadSettingsFromData(regulation(), false, false, QStringLiteral("bench"));
    const qint64 now = QDateTime(QDate(2027, 6, 15), QTime(10, 0)).toSecsSinceEpoch();
    // QA_BENCH_YEARS=1 limits a profiling run to one size.
    QList<int> sizes{1, 2, 5};
    if (const int only = qEnvironmentVariableIntValue("QA_BENCH_YEARS"); only > 0)
        sizes = {only};
    for (const int years : sizes) {
        QTemporaryDir folder;
        DB::free();
        DB::setPath(folder.path());
        const int rows = seed(years, now);
        QAScheduling(now).RefreshFullInfo();
        // On a shared machine the wall time hides what the rebuild costs itself: the
        // processor time of the same rounds is printed beside it.
        const auto cpu = [] {
            timespec spent{};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &spent);
            return spent.tv_sec * 1e3 + spent.tv_nsec / 1e6;
        };
        const double cpuBefore = cpu();
        const double rebuild = BenchReport::measure([&] { QAScheduling(now).RefreshFullInfo(); }, 9);
        // measure() adds one warm-up call to its rounds.
        const double rebuildCpu = (cpu() - cpuBefore) / 10;
        const double floor = BenchReport::measure(readFloor, 9);
        report.add(QStringLiteral("qa plan rebuild, 16 displays, %1 y").arg(years), rebuild);
        report.add(QStringLiteral("floor: one query per table, %1 y").arg(years), floor);
        const double floorCpuBefore = cpu();
        BenchReport::measure(readFloor, 9);
        const double floorCpu = (cpu() - floorCpuBefore) / 10;
        std::printf(
            "qa plan %d y (%d history rows): rebuild %.2f ms, floor %.2f ms, ratio %.2f; processor time "
            "rebuild %.2f ms, floor %.2f ms\n",
            years, rows, rebuild / 1e6, floor / 1e6, rebuild / floor, rebuildCpu, floorCpu);
        DB::free();
    }
}
