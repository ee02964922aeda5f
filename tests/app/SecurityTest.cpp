// Attacks of another local account on the files, folders and locks of this user's agent.
// Where the test runs as root, a second uid (nobody) performs them through setpriv.
#include "app/KaldoSemaphore.h"
#include "app/KaldoSharedMemory.h"
#include "app/Logging.h"
#include "platform/OSUtils.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr char kAttacker[] = "65534";

bool runningAsRoot()
{
    return ProgramRun::run(QStringLiteral("id"), {QStringLiteral("-u")}).out.trimmed() == "0";
}

// A shell command run by the second uid; its exit code.
int asAttacker(const QString& command)
{
    return ProgramRun::run(QStringLiteral("setpriv"),
                           {QStringLiteral("--reuid=%1").arg(kAttacker),
                            QStringLiteral("--regid=%1").arg(kAttacker), QStringLiteral("--clear-groups"),
                            QStringLiteral("/bin/sh"), QStringLiteral("-c"), command})
        .exitCode;
}

// A file only its owner may read and write, standing for /etc/shadow or a user's key.
QString victimFile(const QString& folder)
{
    const QString path = folder + QStringLiteral("/victim");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("not yours");
    file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

void expectUntouched(const QString& victim)
{
    EXPECT_EQ(QFileInfo(victim).permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "not yours");
}

// The environment of one program run, put back afterwards.
class ScopedEnvironment
{
public:
    void set(const char* name, const QByteArray& value)
    {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char* name)
    {
        remember(name);
        qunsetenv(name);
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

private:
    void remember(const char* name)
    {
        m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    }
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

} // namespace

TEST(LocalAttacker, ALinkPlantedAsTheLogIsNeitherWidenedNorWritten)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("log-link"));
    const QString victim = victimFile(folder);
    ASSERT_TRUE(QFile::link(victim, folder + QStringLiteral("/logb.qlog")));
    Logging::prepareMessageOutput(folder, QStringLiteral("logb.qlog"), 100, QtDebugMsg);
    qDebug() << "a line that must not reach the victim";
    Logging::releaseMessageOutput();
    expectUntouched(victim);
}

TEST(LocalAttacker, ANewLogIsPrivateAndAnOversizedOneIsCutInPlace)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("log-mode"));
    const QString path = folder + QStringLiteral("/logb.qlog");
    {
        QFile big(path);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(QByteArray(3 << 20, 'a') + QByteArray(1 << 20, 'z'));
    }
    QFile::setPermissions(path, QFileDevice::Permissions(0x6666));
    EXPECT_EQ(Logging::truncateToNewestHalf(path, 2), 0);
    const QFileInfo cut(path);
    EXPECT_EQ(cut.size(), 1 << 20);
    EXPECT_EQ(cut.permissions() & 0x0077, QFileDevice::Permissions());
}

TEST(LocalAttacker, AFileOfAnotherUserIsRefusedInAPrivateFolder)
{
    if (!runningAsRoot())
        GTEST_SKIP() << "needs root to give a file to a second uid";
    // Outside the test's private data folder, so the attacker can reach it.
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString folder = scratch.path();
    const QString planted = folder + QStringLiteral("/Storage.db");
    QFile file(planted);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(ProgramRun::run(QStringLiteral("chown"), {kAttacker, planted}).exitCode, 0);
    QFile again(planted);
    EXPECT_FALSE(OSUtils::openFile(again, QIODevice::ReadWrite));
    // Made by this program, the file is closed to the attacker.
    QFile::remove(planted);
    ASSERT_TRUE(OSUtils::prepareFile(planted));
    ASSERT_EQ(ProgramRun::run(QStringLiteral("chmod"), {QStringLiteral("0755"), folder}).exitCode, 0);
    EXPECT_NE(asAttacker(QStringLiteral("echo changed >> '%1'").arg(planted)), 0);
}

TEST(LocalAttacker, ARuntimeFolderTakenByAnotherUserStopsTheProgramWithAReason)
{
    if (!runningAsRoot())
        GTEST_SKIP() << "needs root to act as a second uid";
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString temporary = scratch.path();
    ASSERT_EQ(ProgramRun::run(QStringLiteral("chmod"), {QStringLiteral("1777"), temporary}).exitCode, 0);
    const QString hijacked = temporary + QStringLiteral("/lutloader-0");
    ASSERT_EQ(asAttacker(QStringLiteral("mkdir -m 0700 '%1'").arg(hijacked)), 0);

    ScopedEnvironment environment;
    environment.unset("XDG_RUNTIME_DIR");
    environment.set("TMPDIR", temporary.toLocal8Bit());
    const ProgramRun run =
        ProgramRun::ctl({QStringLiteral("lock"), QStringLiteral("status"), QStringLiteral("lut")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("belongs to uid 65534")) << run.err.toStdString();

    // A folder of ours that anybody could write is no better.
    ASSERT_EQ(asAttacker(QStringLiteral("rmdir '%1'").arg(hijacked)), 0);
    ASSERT_TRUE(QDir().mkdir(hijacked));
    ASSERT_TRUE(QFile::setPermissions(hijacked, QFileDevice::Permissions(0x7777)));
    EXPECT_NE(
        ProgramRun::ctl({QStringLiteral("lock"), QStringLiteral("status"), QStringLiteral("lut")}).exitCode,
        0);
}

TEST(LocalAttacker, ALockWordPlantedUnderTheLockNameIsIgnored)
{
    const QString path = KaldoSemaphore::segmentFile("squatted");
    ASSERT_FALSE(path.isEmpty());
    const QString folder = TestPaths::freshFolder(QStringLiteral("squat"));
    // The word names process 1, which is always alive: trusted, it would block for ever.
    const QString word = folder + QStringLiteral("/word");
    {
        QFile file(word);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const quint32 init = 1;
        file.write(reinterpret_cast<const char*>(&init), sizeof(init));
    }
    QFile::remove(path);
    if (runningAsRoot()) {
        ASSERT_TRUE(QFile::copy(word, path));
        QFile::setPermissions(path, QFileDevice::Permissions(0x6666));
        ASSERT_EQ(ProgramRun::run(QStringLiteral("chown"), {kAttacker, path}).exitCode, 0);
    } else {
        ASSERT_TRUE(QFile::link(word, path));
    }
    KaldoSharedMemory lock("squatted", "SecurityTest", 1);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_TRUE(lock.Lock());
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    lock.Unlock();
}

TEST(LocalAttacker, LockStatusReportsAStaleHolderWithoutTouchingTheLock)
{
    QProcess ended;
    ended.start(QStringLiteral("true"));
    ASSERT_TRUE(ended.waitForStarted());
    const quint32 dead = static_cast<quint32>(ended.processId());
    ASSERT_TRUE(ended.waitForFinished());
    ASSERT_NE(dead, 0u);
    {
        KaldoSharedMemory create("stalekey", "SecurityTest", 1);
        ASSERT_FALSE(create.IsLocked());
    }
    const QString path = KaldoSemaphore::segmentFile("stalekey");
    auto writeWord = [&](quint32 value) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write(reinterpret_cast<const char*>(&value), sizeof(value));
    };
    writeWord(dead);
    const ProgramRun status = ProgramRun::ctl({QStringLiteral("--json"), QStringLiteral("lock"),
                                               QStringLiteral("status"), QStringLiteral("stalekey")});
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_FALSE(status.json().value(QStringLiteral("locked")).toBool());
    EXPECT_EQ(status.json().value(QStringLiteral("staleHolder")).toInteger(), qint64(dead));
    KaldoSharedMemory reader("stalekey", "SecurityTest", 1);
    EXPECT_EQ(reader.holderProcessId(), dead);

    const ProgramRun release = ProgramRun::ctl({QStringLiteral("lock"), QStringLiteral("release"),
                                                QStringLiteral("stalekey"), QStringLiteral("--force")});
    EXPECT_EQ(release.exitCode, 0) << release.err.toStdString();
    EXPECT_EQ(reader.holderProcessId(), 0u);
}

TEST(HostileInput, ADamagedDatabaseIsNotShownAsAnEmptyOne)
{
    const QString data = TestPaths::freshFolder(QStringLiteral("damaged-db"));
    {
        QFile garbage(data + QStringLiteral("/Storage.db"));
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
    }
    ScopedEnvironment environment;
    environment.set("LUTLOADER_DATA_DIR", data.toLocal8Bit());
    for (const QStringList& command : {QStringList{"dbdisplays", "list"}, QStringList{"lut", "show", "1"}}) {
        SCOPED_TRACE(command.join(' ').toStdString());
        const ProgramRun run = ProgramRun::ctl(QStringList{"--platform", "sim"} + command);
        EXPECT_NE(run.exitCode, 0) << run.out.toStdString();
    }
}

TEST(HostileInput, WorkstationFilesAreBoundedAndTheirFaultsNamed)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("hostile-workstation"));
    auto runWith = [&](const QByteArray& json) {
        const QString file = folder + QStringLiteral("/ws.json");
        QFile out(file);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(json);
        out.close();
        return ProgramRun::ctl({"--platform", "sim", "--workstation", file, "sim", "state"});
    };
    const ProgramRun array = runWith("[1, 2]");
    EXPECT_NE(array.exitCode, 0);
    EXPECT_TRUE(array.err.contains("array")) << array.err.toStdString();

    const ProgramRun odd = runWith(R"({"displays": [{"output": "DP-1", "edid": "00ffffffffffff0"}]})");
    EXPECT_NE(odd.exitCode, 0);
    EXPECT_TRUE(odd.err.contains("odd number")) << odd.err.toStdString();

    // A device as the EDID file: read with a bound, refused, not read until memory runs out.
    const ProgramRun endless = runWith(R"({"displays": [{"output": "DP-1", "edidFile": "/dev/zero"}]})");
    EXPECT_NE(endless.exitCode, 0);
    EXPECT_TRUE(endless.err.contains("larger than")) << endless.err.toStdString();
}

TEST(LocalAttacker, AnAgentThatCannotWriteItsLogSaysSoOnce)
{
    const QString log = TestPaths::dataDirectory() + QStringLiteral("/logb.qlog");
    const QString victim = victimFile(TestPaths::freshFolder(QStringLiteral("agent-log-link")));
    QFile::remove(log);
    ASSERT_TRUE(QFile::link(victim, log));
    const ProgramRun agent =
        ProgramRun::run(TestPaths::agentProgram(), {"--platform", "sim", "--run-seconds", "3"}, {}, 120000);
    QFile::remove(log);
    EXPECT_EQ(agent.exitCode, 0) << agent.err.toStdString();
    EXPECT_EQ(agent.err.count("cannot write its log"), 1) << agent.err.toStdString();
    expectUntouched(victim);
}
