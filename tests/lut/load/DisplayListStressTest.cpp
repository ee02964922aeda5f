// The display list under loads, re-detections, clears and readers on several threads at once.
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "tests/lut/load/LutLoadFixture.h"

#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace {

using DisplayListStressTest = LutLoadFixture;

constexpr int LOADS_PER_THREAD = 12;
constexpr int REFRESHES = 25;

} // namespace

TEST_F(DisplayListStressTest, ConcurrentLoadsRefreshesAndReadersStayConsistent)
{
    const QStringList loaded{QStringLiteral("DP-1"), QStringLiteral("HDMI-1")};
    const luts_t table = curve(256, 65280);
    QList<int> ids;
    for (const QString& output : loaded) {
        storeLut(output, table);
        ids << idOf(output);
    }
    DisplayList& list = DisplayList::instance();

    std::atomic<bool> stop{false};
    std::atomic<int> badRuns{0};
    std::atomic<int> runs{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (const int id : ids) {
        threads.emplace_back(QThread::create([&, id] {
            LUTLoadingThread thread;
            for (int i = 0; i < LOADS_PER_THREAD; ++i) {
                const Run run = runLoad(thread, id, i % 2 == 0);
                ++runs;
                // A clear between re-detection and the load leaves no object: the run only ends.
                if (run.finishedSignals != 1 || run.fails != 0)
                    ++badRuns;
            }
        }));
    }
    threads.emplace_back(QThread::create([&] {
        for (int i = 0; i < REFRESHES; ++i) {
            if (i % 5 == 0)
                CurrentDisplays::NonCachedRefresh();
            list.clearDisplays();
            for (const int id : ids)
                list.addDisplay(id);
            list.setDisplayBlockedByAmbient(ids.front(), i % 2 == 0);
        }
    }));
    std::atomic<int> reads{0};
    threads.emplace_back(QThread::create([&] {
        while (!stop) {
            for (const int id : ids) {
                list.isDisplayCalibrated(id);
                list.isDisplayWarmed(id);
                if (const std::shared_ptr<BaseDisplay> display = list.GetDisplayInstanceById(id))
                    display->displayId();
            }
            int count = 0;
            {
                DisplayList::Locked locked = list.lockedDisplays();
                for (auto it = locked.GetFirstDisplayIt(); it != locked.GetEndDisplayIt(); ++it)
                    ++count;
            }
            list.displayObjects();
            ++reads;
            QThread::yieldCurrentThread();
        }
    }));
    for (auto& thread : threads)
        thread->start();
    for (size_t i = 0; i + 1 < threads.size(); ++i)
        threads[i]->wait();
    stop = true;
    threads.back()->wait();

    EXPECT_EQ(runs, LOADS_PER_THREAD * ids.size());
    EXPECT_EQ(badRuns, 0);
    EXPECT_GT(reads, 0);

    // Afterwards the list works as before.
    for (const QString& output : loaded) {
        const Run run = runLoad(output, true);
        EXPECT_TRUE(run.calibrated) << qPrintable(output);
        EXPECT_EQ(run.fails, 0);
    }
    EXPECT_EQ(cardTable("DP-1"), table);
}
