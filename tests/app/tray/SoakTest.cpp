// Days of a workstation's life in seconds: the agent on the simulated workstation with its
// task clock running fast, while the session locks and unlocks, a display leaves and comes
// back, the energy-save hours pass, a second process takes the busy locks and the main
// application answers late or not at all. Afterwards nothing may be left over: no task, no
// lock, no thread, no descriptor, no growing memory, no uncalibrated display, no damaged
// database, no log beyond its limit.
// LUTLOADER_SOAK_DAYS (default 2) and LUTLOADER_SOAK_DAY_SECONDS (real seconds per simulated
// day, default 12) set its length; scripts/soak.sh runs the full week.
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/NamedPipes.h"
#include "app/PipeMessage.h"
#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/KaldoDynamicData.h"
#include "platform/GammaRampDevice.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimControlClient.h"
#include "platform/sim/SimControlServer.h"
#include "settings/DataDirectory.h"
#include "tests/app/tray/AgentHarness.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace {

const QStringList kOutputs{"DP-1", "DP-2", "HDMI-1"};
// The display that is unplugged and plugged in again every day.
const QString kWandering = QStringLiteral("HDMI-1");
constexpr qint64 kLogLimit = 100LL << 20;

using H = AgentHarness;

// The soak's days are long on a loaded machine: its waits get a longer bound.
constexpr int kBoundMs = 180000;

// The control socket of the agent's simulated workstation, spoken to directly: a tool
// started for each event would take longer than the simulated hours between them.
QString g_simSocket;

int sim(const QStringList& args)
{
    QJsonObject command{{"cmd", args.value(0)}};
    if (args.size() > 1)
        command.insert("output", args.at(1));
    return SimControlClient::send(command, g_simSocket).value("ok").toBool() ? 0 : 1;
}

// Sends one message to the agent's hub as another program would.
void sendToHub(const QString& hubPath, const QString& msg, const QString& param)
{
    QLocalSocket socket;
    socket.connectToServer(hubPath);
    if (!socket.waitForConnected(5000)) {
        ADD_FAILURE() << "no hub at " << qPrintable(hubPath);
        return;
    }
    socket.write(PipeMessage{"kaldo_soak", msg, param, ""}.toBytes());
    socket.flush();
    socket.disconnectFromServer();
}

QString writeWorkstation()
{
    return H::writeWorkstation(
        "soak", "Soak",
        {{kOutputs[0], "card0", 0x301}, {kOutputs[1], "card0", 0x302}, {kOutputs[2], "card1", 0x303}});
}

// A fresh database with the displays registered, a stored table each, marked as loaded.
QList<int> prepareDatabase(const QString& workstation)
{
    return H::prepareDatabase(workstation, [](const QList<int>& ids) {
        for (const int id : ids)
            H::storeLoadedLut(id, 190 + id % 7);
    });
}

// A log over its limit from earlier runs, in numbered lines.
void fillLog(qint64 bytes)
{
    QFile file(H::logPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    // One block of fixed-width lines, renumbered in place: 150 MB of separately built
    // lines took minutes under the sanitizer.
    const QByteArray prefix("earlier run line ");
    constexpr int kDigits = 9;
    const qsizetype lineSize = prefix.size() + kDigits + 1;
    const qsizetype linesPerBlock = (1 << 20) / lineSize;
    QByteArray block;
    for (qsizetype i = 0; i < linesPerBlock; ++i)
        block += prefix + QByteArray(kDigits, '0') + '\n';
    char* const data = block.data();
    for (qint64 first = 0; file.size() < bytes; first += linesPerBlock) {
        for (qsizetype i = 0; i < linesPerBlock; ++i) {
            qint64 number = first + i;
            char* digit = data + i * lineSize + prefix.size() + kDigits;
            for (int d = 0; d < kDigits; ++d, number /= 10)
                *--digit = static_cast<char>('0' + number % 10);
        }
        ASSERT_EQ(file.write(block), block.size());
    }
}

std::map<QString, GammaRamp> readRamps(const QString& workstation)
{
    std::map<QString, GammaRamp> ramps;
    QString error;
    EXPECT_TRUE(TestWorkstation::select(workstation, &error)) << qPrintable(error);
    for (const QString& output : kOutputs) {
        std::unique_ptr<GammaRampDevice> device = Platform::backend().gammaRamps().open(output, &error);
        if (device && device->read(ramps[output]))
            continue;
        ADD_FAILURE() << "cannot read the ramp of " << qPrintable(output) << ": " << qPrintable(error);
    }
    Platform::reset();
    return ramps;
}

struct ProcessFigures
{
    qint64 rssKb = 0;
    int threads = 0; // the agent's own, without the toolkit's pool (its idle threads expire by time)
    int pooled = 0;
    int fds = 0;
    int ownFds = 0; // without the pooled threads' own descriptors
    QStringList threadNames;
    QStringList fdTargets; // what each descriptor is open on, to name a leak
};

ProcessFigures figuresOf(qint64 pid)
{
    ProcessFigures figures;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts[0] == "VmRSS:")
                figures.rssKb = parts[1].toLongLong();
        }
    }
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + "/comm"));
        const QString name =
            comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
        if (name == QLatin1String("Thread (pooled)")) {
            ++figures.pooled;
        } else {
            ++figures.threads;
            figures.threadNames << name;
        }
    }
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        std::array<char, 512> target{};
        const ssize_t length = ::readlink(qPrintable(fds.filePath(fd)), target.data(), target.size() - 1);
        // "socket:[4711]" and its like: the kind is the name, the inode number only noise.
        figures.fdTargets << QString::fromLocal8Bit(target.data(), std::max<ssize_t>(length, 0))
                                 .remove(QRegularExpression(QStringLiteral("\\[[0-9]+\\]")));
    }
    figures.fdTargets.sort();
    figures.fds = static_cast<int>(figures.fdTargets.size());
    figures.ownFds = figures.fds - figures.pooled;
    return figures;
}

// The least of two figures, field by field: work in flight (a load, a message being read, a
// main-application start) holds a thread or a descriptor for a moment, a leak holds it for good.
ProcessFigures leastOf(const ProcessFigures& a, const ProcessFigures& b)
{
    ProcessFigures least = a.ownFds <= b.ownFds ? a : b;
    const ProcessFigures& fewerThreads = a.threads <= b.threads ? a : b;
    least.threads = fewerThreads.threads;
    least.threadNames = fewerThreads.threadNames;
    least.rssKb = std::min(a.rssKb, b.rssKb);
    least.pooled = std::min(a.pooled, b.pooled);
    least.fds = std::min(a.fds, b.fds);
    return least;
}

void report(const char* when, const ProcessFigures& f)
{
    std::printf("soak %-22s RSS %7lld kB, %3d threads (+%d pooled), %3d descriptors: %s\n", when,
                static_cast<long long>(f.rssKb), f.threads, f.pooled, f.fds,
                qPrintable(f.threadNames.join(QLatin1String(", "))));
    std::fflush(stdout);
}

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// The test is the second process: it holds a busy lock as the main application would.
class LockHolder
{
public:
    // Like the main application, it waits while the agent holds the lock for a moment.
    explicit LockHolder(const char* key) : m_lock(key, "Soak", 1)
    {
        bool taken = false;
        EXPECT_TRUE(H::waitFor([&] { return taken || (taken = m_lock.Lock()); }, kBoundMs)) << key;
    }
    ~LockHolder() { m_lock.Unlock(); }

private:
    KaldoSharedMemory m_lock;
};

TEST(Soak, DaysOfLockingUnpluggingAndBusyLocksLeaveNothingBehind)
{
    const int days = envInt("LUTLOADER_SOAK_DAYS", 2);
    const int daySeconds = envInt("LUTLOADER_SOAK_DAY_SECONDS", 12);
    const double rate = 86400.0 / daySeconds;

    const QString workstation = writeWorkstation();
    const QList<int> ids = prepareDatabase(workstation);
    ASSERT_EQ(ids.size(), kOutputs.size());
    for (const auto& [name, value] :
         std::vector<std::pair<QString, QString>>{{"PutDisplaysToEnergySaveMode", "true"},
                                                  {"StartEnergySaveMode", "22:00"},
                                                  {"EndEnergySaveMode", "06:00"},
                                                  {"UpdateSoftwareAutomaticaly", "false"}})
        ASSERT_EQ(H::ctl({"pref", "set", name, value}), 0) << qPrintable(name);
    fillLog(kLogLimit + (kLogLimit >> 1));
    {
        QString error;
        ASSERT_TRUE(TestWorkstation::select(workstation, &error)) << qPrintable(error);
        g_simSocket = SimControlServer::defaultSocketPath();
        Platform::reset();
    }

    // The main application stand-in on the hub: it answers, is frozen for hours, answers again.
    QProcess standIn;
    QProcessEnvironment standInEnvironment = QProcessEnvironment::systemEnvironment();
    standInEnvironment.insert("LUTLOADER_STANDIN_HUB", "-");
    standInEnvironment.insert("LUTLOADER_STANDIN_SECONDS", QString::number(days * daySeconds + 600));
    standInEnvironment.insert("LUTLOADER_STANDIN_REPLY_DELAY_MS", "300");
    standIn.setProcessEnvironment(standInEnvironment);

    // Monday 08:00 local time: every day of the week sees the energy-save hours.
    const QDateTime monday(QDate(2026, 11, 30), QTime(8, 0));
    QProcess agent;
    QProcessEnvironment agentEnvironment = QProcessEnvironment::systemEnvironment();
    // A small quarantine, so freed memory held back by the sanitizer does not pass for growth.
    // Short allocation stacks: the sanitizer keeps every distinct stack for good, and frames
    // walked through libraries built without frame pointers make new ones all week (with
    // 30 frames its store grew from 7 to 25 MB in 100 s while the live heap stayed at 2 MB).
    // Freed pages go back to the system as they would with the C library's allocator: the
    // sanitizer's own keeps every size class at its highest use, which is not the agent's.
    agentEnvironment.insert(
        "ASAN_OPTIONS",
        agentEnvironment.value("ASAN_OPTIONS") +
            ":quarantine_size_mb=16:malloc_context_size=2:allocator_release_to_os_interval_ms=1000");
    agent.setProcessEnvironment(agentEnvironment);
    const QString errPath = TestPaths::dataDirectory() + "/agent-stderr.txt";
    agent.setStandardErrorFile(errPath);
    const auto agentErr = [&errPath] {
        QFile file(errPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll().right(6000) : QByteArray();
    };
    agent.start(TestPaths::agentProgram(),
                {"--workstation", workstation, "--clock-rate", QString::number(rate), "--clock-start",
                 QString::number(monday.toSecsSinceEpoch()), "--run-seconds",
                 QString::number(days * daySeconds + 900)});
    ASSERT_TRUE(agent.waitForStarted());
    const qint64 pid = agent.processId();
    QElapsedTimer real;
    real.start();
    const auto finishes = [] {
        return H::readLog().count("LUTLoaderTray::slotFinishLoadLut. lutLoadingCount_=");
    };
    ASSERT_TRUE(H::waitFor([&] { return finishes() >= kOutputs.size(); }, kBoundMs)) << "first loads";
    ASSERT_TRUE(H::waitFor([] { return H::readLog().contains("SimControlServer listening"); }, kBoundMs));

    {
        // The log of earlier runs was cut to its newer half at the start.
        const QByteArray log = H::readLog();
        EXPECT_LT(log.size(), kLogLimit);
        EXPECT_GT(log.size(), kLogLimit / 2 - (1 << 20));
        EXPECT_FALSE(log.contains("earlier run line 000000000\n"));
        EXPECT_TRUE(log.contains("earlier run line "));
        EXPECT_FALSE(log.contains("bytes were lost during log truncation"));
    }
    const std::map<QString, GammaRamp> calibrated = readRamps(workstation);
    for (const auto& [output, ramp] : calibrated)
        EXPECT_NE(ramp[0].back(), 65535) << "not loaded: " << qPrintable(output);

    standIn.start(TestPaths::toolProgram("mainapp_standin"), {});
    ASSERT_TRUE(standIn.waitForStarted());
    QByteArray said;
    ASSERT_TRUE(H::waitFor(
        [&] {
            said += standIn.readAllStandardOutput();
            return said.contains("registered kaldo_");
        },
        kBoundMs));

    // The task runner starts a few seconds after the agent; the agent is whole from then on.
    ASSERT_TRUE(H::waitFor([&] { return figuresOf(pid).threadNames.contains(QLatin1String("TaskRunner")); },
                           kBoundMs))
        << "the task runner never started";
    report("at the start:", figuresOf(pid));
    const QRegularExpressionMatch hub =
        QRegularExpression(R"re(PipeAppConnectorServer start\s+"(kaldo_[0-9a-f]+)")re")
            .match(QString::fromLatin1(H::readLog()));
    ASSERT_TRUE(hub.hasMatch());
    const QString hubPath = NamedPipes::socketPath(hub.captured(1));
    // Waits until the simulated hour of the given day (in real time: no assertion hangs on it).
    const auto until = [&](int day, double hour) {
        const qint64 at = static_cast<qint64>((day * 24 + hour - 8) * 3600 / rate * 1000);
        while (real.elapsed() < at) {
            said += standIn.readAllStandardOutput();
            QTest::qWait(static_cast<int>(std::min<qint64>(50, at - real.elapsed())) + 1);
        }
    };

    ProcessFigures firstDay;
    ProcessFigures lastDay;
    for (int day = 0; day < days; ++day) {
        until(day, 9);
        EXPECT_EQ(sim({"lock"}), 0);
        until(day, 10);
        EXPECT_EQ(sim({"unlock"}), 0);
        until(day, 11);
        EXPECT_EQ(sim({"unplug", kWandering}), 0);
        until(day, 12);
        EXPECT_EQ(sim({"plug", kWandering}), 0);
        until(day, 13);
        {
            // The main application calibrates: the LUT and the calibration locks are its.
            // In the agent's order: its periodic reload holds the calibration lock while it
            // waits for the LUT lock, so taking them the other way round would deadlock.
            LockHolder calibration(SHARED_MEMORY_KEY_CALIBRATION);
            LockHolder lut(SHARED_MEMORY_KEY_LUT);
            EXPECT_EQ(sim({"lock"}), 0);
            EXPECT_EQ(sim({"unlock"}), 0);
            until(day, 15);
        }
        // The main application hangs for two hours while the agent tells it things.
        ::kill(static_cast<pid_t>(standIn.processId()), SIGSTOP);
        sendToHub(hubPath, "retranslate", "en");
        sendToHub(hubPath, "DisplayRefresh", "");
        EXPECT_EQ(sim({"unplug", kWandering}), 0);
        EXPECT_EQ(sim({"plug", kWandering}), 0);
        until(day, 17);
        ::kill(static_cast<pid_t>(standIn.processId()), SIGCONT);
        until(day, 18);
        EXPECT_EQ(sim({"sleep"}), 0);
        until(day, 19);
        EXPECT_EQ(sim({"wake"}), 0);
        // Night: the energy-save hours and the periodic tasks run alone. The first and the
        // last night are watched from end to end; on the sped-up clock some periodic work is
        // nearly always running, so only the night's least figures compare two days fairly.
        const bool watched = day == 0 || day == days - 1;
        std::optional<ProcessFigures> night;
        for (double hour = 20; hour < 32; hour += 0.25) {
            until(day, hour);
            if (!watched)
                continue;
            // The task runner starts a few seconds after the agent; on a slow machine that
            // may fall into the first night, and an agent without it is not whole yet.
            const ProcessFigures now = figuresOf(pid);
            if (now.threadNames.contains(QLatin1String("TaskRunner")))
                night = night ? leastOf(*night, now) : now;
        }
        until(day, 32);
        ASSERT_EQ(agent.state(), QProcess::Running) << "the agent ended on day " << day << ":\n"
                                                    << agentErr().constData();
        if (watched) {
            ASSERT_TRUE(night.has_value()) << "no task runner on the night of day " << day;
        }
        if (day == 0) {
            firstDay = *night;
            report("over the first night:", firstDay);
        }
        if (day == days - 1) {
            lastDay = *night;
            report("over the last night:", lastDay);
        }
    }
    // The end of the week: one more unlock, whose reloads must all end.
    const qsizetype before = finishes();
    EXPECT_EQ(sim({"lock"}), 0);
    EXPECT_EQ(sim({"unlock"}), 0);
    ASSERT_TRUE(H::waitFor([&] { return finishes() >= before + kOutputs.size(); }, kBoundMs))
        << "reloads after the week";
    ASSERT_TRUE(H::waitFor(
        [&] {
            return H::readLog().right(1 << 20).contains(
                "LUTLoaderTray::slotFinishLoadLut. lutLoadingCount_= 0");
        },
        kBoundMs));
    // What the agent still holds once those reloads ended counts with the last night: a
    // periodic task waiting out a long lock may span a whole night of the sped-up clock,
    // a leak stays.
    ProcessFigures endOfWeek = figuresOf(pid);
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(100);
        endOfWeek = leastOf(endOfWeek, figuresOf(pid));
    }
    report("after the final reloads:", endOfWeek);
    lastDay = leastOf(lastDay, endOfWeek);

    // Each thread of the toolkit's pool has a descriptor of its own; the pool is counted apart.
    QStringList gained = lastDay.fdTargets;
    for (const QString& target : firstDay.fdTargets)
        gained.removeOne(target);
    EXPECT_LE(lastDay.ownFds, firstDay.ownFds) << "descriptors leaked: " << qPrintable(gained.join(", "));
    EXPECT_LE(lastDay.threads, firstDay.threads) << "threads leaked";
    EXPECT_LE(lastDay.rssKb, firstDay.rssKb * 11 / 10) << "memory grew";

    EXPECT_EQ(agent.state(), QProcess::Running) << "the agent did not last the week";
    // On the sped-up clock the periodic reload may start a load at any moment, and it holds
    // the LUT lock while it runs: a lock that was left behind is one that never comes free.
    EXPECT_TRUE(H::waitFor(
        [] {
            KaldoSharedMemory probe(SHARED_MEMORY_KEY_LUT, "Soak", 1);
            return !probe.IsLocked();
        },
        kBoundMs))
        << "the LUT lock is held after the loads ended";

    standIn.kill();
    standIn.waitForFinished();
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    ASSERT_TRUE(agent.waitForFinished(60000));
    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.exitCode(), 0);
    const QByteArray err = agentErr();
    EXPECT_FALSE(err.contains("AddressSanitizer") || err.contains("runtime error") ||
                 err.contains("LeakSanitizer"))
        << err.constData();

    for (const char* key : {SHARED_MEMORY_KEY_LUT, SHARED_MEMORY_KEY_CALIBRATION,
                            SHARED_MEMORY_KEY_SCHEDULING, SHARED_MEMORY_KEY_SYNCHRONIZATION}) {
        KaldoSharedMemory probe(key, "Soak", 1);
        EXPECT_FALSE(probe.IsLocked()) << key << " held after the agent ended";
    }
    const QByteArray log = H::readLog();
    EXPECT_LT(log.size(), kLogLimit);
    // Every task that started ended, and nothing was left to end with the process.
    const QByteArray run = log.mid(log.lastIndexOf("-------------------------------------"));
    EXPECT_EQ(run.count("task started "), run.count("task ended")) << "a task was left running";
    EXPECT_FALSE(run.contains("still runs after"));
    EXPECT_FALSE(run.contains("did not stop in time"));
    EXPECT_TRUE(run.contains("ENERGY mode task")) << "the energy-save hours were never looked at";
    EXPECT_TRUE(run.contains("Update all LUTs after system unlock"));

    const std::map<QString, GammaRamp> atTheEnd = readRamps(workstation);
    for (const QString& output : kOutputs)
        EXPECT_EQ(atTheEnd.at(output), calibrated.at(output)) << qPrintable(output) << " not calibrated";

    QString error;
    ASSERT_TRUE(TestWorkstation::select(workstation, &error)) << qPrintable(error);
    DB::free();
    DB::setPath(DataDirectory::path());
    ASSERT_TRUE(DB::get()->IsOpened());
    for (const int id : ids)
        EXPECT_EQ(DBDisplays().getDisplayInfo(id, "lutupload"), "true") << "display " << id;
    EXPECT_EQ(DB::get()->query("PRAGMA integrity_check").values().value("integrity_check"), "ok");
    DB::free();
    Platform::reset();
}

} // namespace
