// Cost of one display's LUT load through the loading thread on the simulated workstation
// (database read, table build, card ramp and profile), against writing the same table
// straight to the card's ramp with WindowsLUT::UploadLUT and no profile.
#include "bench/support/BenchReport.h"
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "lut/LUTLoadingThread.h"
#include "lut/WindowsLUT.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

luts_t curveTable(double exponent)
{
    luts_t table(3, std::vector<int>(256));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            table[c][i] = static_cast<int>(std::lround(std::pow(i / 255.0, exponent) * (65280 - 40 * c)));
    }
    return table;
}

// One run of the thread to its end; false when it failed or the display is not calibrated.
bool runLoad(LUTLoadingThread& thread, int id, bool load)
{
    bool failed = false;
    QObject context;
    QObject::connect(&thread, &LUTLoadingThread::signalFailLUTUpload, &context, [&] { failed = true; });
    thread.start(id, load);
    while (!thread.wait(QDeadlineTimer(1)))
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return !failed && DisplayList::instance().isDisplayCalibrated(id) == load;
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    QTemporaryDir folder;
    // The built-in workstation: three displays on two cards.
    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    if (!folder.isValid() || !Platform::select(options)) {
        std::printf("lutload: skipped, no simulated workstation\n");
        return;
    }
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    DB::setPath(folder.path());
    Schema::checkAll(*DB::get());
    CurrentDisplays::NonCachedRefresh();
    const QList<int> ids = DBUtils::RefreshDisplaysInfo();
    if (ids.isEmpty()) {
        qInstallMessageHandler(previous);
        std::printf("lutload: skipped, no displays registered\n");
        return;
    }
    const int id = ids.front();
    const luts_t table = curveTable(2.2);
    const luts_t other = curveTable(1.8);
    const DBDisplayCurrentLUT::Channels channels(table.begin(), table.end());
    DBDisplayCurrentLUT().storeLUT(id, 2, 0, channels);

    bool allGood = true;
    WindowsLUT bare(id, CurrentDisplays::DisplayById(id).deviceName());
    bool flip = false;
    const double direct = BenchReport::measure(
        [&] {
            flip = !flip;
            allGood &= bare.UploadLUT(flip ? table : other);
        },
        31);
    report.add("lutload: WindowsLUT::UploadLUT, card only", direct);

    LUTLoadingThread thread;
    const double loadUnload =
        BenchReport::measure([&] { allGood &= runLoad(thread, id, true) && runLoad(thread, id, false); }, 15);
    report.add("lutload: thread load + unload (database, card, profile)", loadUnload);

    runLoad(thread, id, true);
    const double unchanged = BenchReport::measure([&] { allGood &= runLoad(thread, id, true); }, 31);
    report.add("lutload: thread load of a table already held", unchanged);

    qInstallMessageHandler(previous);
    std::printf("lutload: load+unload / direct upload = %.2f, load already held / direct upload = %.2f%s\n",
                loadUnload / direct, unchanged / direct, allGood ? "" : "  (WARNING: a load failed)");
}
