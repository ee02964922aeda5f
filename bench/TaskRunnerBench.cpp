// What an idle agent costs: CPU time of a task runner whose tasks are all far from due,
// against a thread that polls every 50 ms and one that busy-waits, over the same wall time.
#include "bench/support/BenchReport.h"
#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "tasks/Task.h"
#include "tasks/TaskRunner.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

constexpr auto window = std::chrono::seconds(3);

class DistantTask : public Task
{
public:
    DistantTask() : Task("distant", 86400, 86400) {}
    void run() override { emit finished(); }
};

// Process CPU time spent while `during` runs, in nanoseconds.
double cpuTimeOf(const std::function<void()>& during)
{
    const std::clock_t before = std::clock();
    during();
    return double(std::clock() - before) * 1e9 / CLOCKS_PER_SEC;
}

double idleRunnerCpu()
{
    TaskRunner runner;
    runner.add(std::make_unique<DistantTask>());
    runner.safeStart();
    const double ns = cpuTimeOf([] { std::this_thread::sleep_for(window); });
    runner.safeTerminate(10000);
    return ns;
}

double pollerCpu(bool busy)
{
    std::atomic<bool> stop{false};
    std::thread poller([&] {
        while (!stop.load()) {
            if (!busy)
                QThread::msleep(50);
        }
    });
    const double ns = cpuTimeOf([] { std::this_thread::sleep_for(window); });
    stop = true;
    poller.join();
    return ns;
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    // The simulated session: the figure is the runner's, not a session bus's.
    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    QString error;
    if (!Platform::select(options, &error))
        std::printf("simulated workstation not available: %s\n", qPrintable(error));
    const double idle = idleRunnerCpu();
    const double polling = pollerCpu(false);
    const double spinning = pollerCpu(true);
    report.add("idle task runner, CPU over 3 s", idle);
    report.add("50 ms polling thread, CPU over 3 s", polling);
    report.add("busy-waiting thread, CPU over 3 s", spinning);
    std::printf("idle task runner / busy wait: %.6f\n", spinning > 0 ? idle / spinning : 0.0);
    std::printf("idle task runner / 50 ms polling: %.3f\n", polling > 0 ? idle / polling : 0.0);
}
