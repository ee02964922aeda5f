#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "settings/DataDirectory.h"
#include "settings/GlobalData.h"
#include "settings/ProductParams.h"
#include "settings/QSettingsManager.h"
#include "settings/QSettingsWithSharing.h"
#include "tests/settings/LogCapture.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <thread>

namespace {

QSettingsWithSharing productSettings()
{
    return QSettingsWithSharing(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Kaldo"),
                                QStringLiteral("Orvanta"));
}

QString ctl(const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.start(TestPaths::ctlProgram(), arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A shell loop of settings writes through the command-line tool, one process per write.
QProcess* startWriterLoop(const QString& prefix, int count, QObject* parent)
{
    auto* loop = new QProcess(parent);
    const QString script =
        QStringLiteral("for i in $(seq 1 %1); do \"$0\" settings set %2/k$i v$i >/dev/null 2>&1 "
                       "|| exit 1; done")
            .arg(count)
            .arg(prefix);
    loop->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, TestPaths::ctlProgram()});
    return loop;
}

} // namespace

TEST(SettingsFile, LivesInTheDataDirectoryAndOnlyThisUserMayWriteAPrivateOne)
{
    QSettingsWithSharing settings = productSettings();
    ASSERT_TRUE(settings.isValid());
    EXPECT_EQ(settings.fileName(), TestPaths::dataDirectory() + "/Orvanta.ini");
    EXPECT_TRUE(settings.setValue("Sync/LastRun", 42));
    const QFileInfo file(settings.fileName());
    ASSERT_TRUE(file.exists());
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    EXPECT_EQ(file.permissions() & others, QFileDevice::Permissions());
}

TEST(SettingsFile, WritesAreSeenAtOnceByOtherObjectsAndProcesses)
{
    QSettingsWithSharing first = productSettings();
    QSettingsWithSharing second = productSettings();
    first.setValue("Shared/FromFirst", "one");
    EXPECT_EQ(second.value("Shared/FromFirst").toString(), "one");
    second.remove("Shared/FromFirst");
    EXPECT_FALSE(first.value("Shared/FromFirst").isValid());
    EXPECT_EQ(first.value("Shared/Missing", "fallback").toString(), "fallback");

    // Another process writes; the object made before that write reads it.
    int exitCode = -1;
    ctl({"settings", "set", "Shared/FromTool", "two, with comma"}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(first.value("Shared/FromTool").toString(), "two, with comma");
    first.setValue("Shared/ForTool", "three");
    EXPECT_EQ(ctl({"settings", "get", "Shared/ForTool"}), "three");
    EXPECT_TRUE(first.allKeys().contains("Shared/FromTool"));
}

TEST(SettingsFile, ConcurrentWritersFromTwoProcessesLoseNothing)
{
    QObject owner;
    constexpr int writes = 15;
    QProcess* a = startWriterLoop("WriterA", writes, &owner);
    QProcess* b = startWriterLoop("WriterB", writes, &owner);
    ASSERT_TRUE(a->waitForFinished(240000));
    ASSERT_TRUE(b->waitForFinished(240000));
    EXPECT_EQ(a->exitCode(), 0);
    EXPECT_EQ(b->exitCode(), 0);

    const QSettingsWithSharing settings = productSettings();
    for (int i = 1; i <= writes; ++i) {
        EXPECT_EQ(settings.value(QStringLiteral("WriterA/k%1").arg(i)).toString(),
                  QStringLiteral("v%1").arg(i));
        EXPECT_EQ(settings.value(QStringLiteral("WriterB/k%1").arg(i)).toString(),
                  QStringLiteral("v%1").arg(i));
    }
}

TEST(SettingsFile, WithoutAnApplicationNameNothingIsWrittenAndReadsAreInvalid)
{
    QSettingsWithSharing settings(QSettings::IniFormat, QSettings::SystemScope, "Kaldo", QString());
    EXPECT_FALSE(settings.isValid());
    {
        const LogCapture log;
        settings.setValue("key", "value");
        EXPECT_TRUE(LogCapture::lines().contains("QSettingsWithSharing settings not exists"));
    }
    EXPECT_FALSE(settings.value("key", "default").isValid());
    EXPECT_TRUE(settings.allKeys().isEmpty());
}

TEST(SettingsFile, ProductFoldersAreBelowTheDataDirectory)
{
    ASSERT_TRUE(ProductParams::LoadParams());
    const QString root = TestPaths::dataDirectory() + "/";
    EXPECT_EQ(QSettingsManager::GetAppRootDirectoryPath(), root);
    // No file names a database folder: the database sits in the data directory itself.
    EXPECT_EQ(QSettingsManager::GetDataBasePath(), root);
    EXPECT_EQ(QSettingsManager::GetUserRegulationDirectoryPath(), root + "regulationFiles");
    EXPECT_EQ(QSettingsManager::GetUserTranslationDirectoryPath(), root + "translateFiles");
    EXPECT_EQ(QSettingsManager::GetSensorCorrectionsDirectoryPath(), root + "correctionFiles");
    EXPECT_EQ(QSettingsManager::GetProfileDirectoryPath(), root + "profiles");
    EXPECT_EQ(QSettingsManager::GetPrinterMeasuresPath(), root + "printerMeasures");
    EXPECT_EQ(QSettingsManager::GetColorTargetsDirectoryPath(), root + "ColorTargets");
    EXPECT_EQ(QSettingsManager::GetChartBoardsDirectoryPath(), root + "ChartBoards");
    ASSERT_TRUE(QSettingsManager::ensureDataFolders());
    const QFileInfo regulations(QSettingsManager::GetUserRegulationDirectoryPath());
    EXPECT_TRUE(regulations.isDir());
    const auto others = QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(regulations.permissions() & others, QFileDevice::Permissions());
    EXPECT_TRUE(QSettingsManager::isWorkstationPreference("synchronizeid"));
    EXPECT_FALSE(QSettingsManager::isWorkstationPreference("Gamma"));
}

TEST(DataDirectory, FallsBackToTheUsersFolderWithALoggedReason)
{
    // Without the override and without the shared folder, the user's data folder
    // is used and the log says why. The override is put back for the other tests.
    const QByteArray overridden = qgetenv("LUTLOADER_DATA_DIR");
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    const QString home = TestPaths::freshFolder("xdg-data");
    QStringList lines;
    static QStringList* sink = nullptr;
    sink = &lines;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { *sink << text; });
    qunsetenv("LUTLOADER_DATA_DIR");
    qputenv("XDG_DATA_HOME", home.toUtf8());

    const QString path = DataDirectory::path();
    const QString again = DataDirectory::path();

    qInstallMessageHandler(previous);
    qputenv("LUTLOADER_DATA_DIR", overridden);
    if (xdg.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", xdg);

    if (QFileInfo(Platform::backend().session().systemDataDirectory()).isWritable())
        GTEST_SKIP() << "this machine has a writable shared data folder";
    EXPECT_EQ(path, home + "/lutloader");
    EXPECT_EQ(again, path);
    ASSERT_EQ(lines.filter("DataDirectory::path").size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.first().contains("not writable"));
    EXPECT_EQ(DataDirectory::path(), TestPaths::dataDirectory());
}

TEST(SettingsFile, ConcurrentWritersOnTwoThreadsLoseNothing)
{
    constexpr int writes = 25;
    const auto writer = [](const QString& prefix) {
        for (int i = 1; i <= writes; ++i)
            productSettings().setValue(QStringLiteral("%1/k%2").arg(prefix).arg(i), i);
    };
    std::thread first(writer, QStringLiteral("ThreadA"));
    std::thread second(writer, QStringLiteral("ThreadB"));
    first.join();
    second.join();
    const QSettingsWithSharing settings = productSettings();
    for (int i = 1; i <= writes; ++i) {
        EXPECT_EQ(settings.value(QStringLiteral("ThreadA/k%1").arg(i)).toInt(), i);
        EXPECT_EQ(settings.value(QStringLiteral("ThreadB/k%1").arg(i)).toInt(), i);
    }
}

namespace {

QString settingsPath()
{
    return TestPaths::dataDirectory() + QStringLiteral("/Orvanta.ini");
}

} // namespace

TEST(SettingsFileAttacks, ALinkPlantedAsTheFileIsNeitherFollowedNorWidened)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("settings-link"));
    const QString victim = folder + QStringLiteral("/victim");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("root:secret\n");
    }
    ASSERT_TRUE(QFile::setPermissions(victim, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QFile::remove(settingsPath());
    ASSERT_TRUE(QFile::link(victim, settingsPath()));
    QSettingsWithSharing settings = productSettings();
    EXPECT_FALSE(settings.setValue("Probe", 42));
    EXPECT_EQ(QFileInfo(victim).permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "root:secret\n");
    QFile::remove(settingsPath());
}

TEST(SettingsFileAttacks, AMalformedFileIsKeptAsideAndTheValueStored)
{
    QFile::remove(settingsPath());
    {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nKeep=1\n[strings\nbroken=1\n");
    }
    int exitCode = -1;
    ctl({"settings", "set", "Probe", "42"}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(productSettings().value("Probe").toString(), "42");
    const QStringList aside =
        QDir(TestPaths::dataDirectory()).entryList({QStringLiteral("Orvanta.ini.malformed-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(TestPaths::dataDirectory() + QLatin1Char('/') + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().contains("[strings"));
    kept.remove();
}

TEST(SettingsFileAttacks, AWriteThatDoesNotReachTheFileFailsTheCommand)
{
    if (ProgramRun::run(QStringLiteral("id"), {QStringLiteral("-u")}).out.trimmed() != "0")
        GTEST_SKIP() << "needs root to run the tool as a user who may not write the data folder";
    // The data folder is root's; the tool runs as nobody, with a runtime folder of its own.
    // Outside the test's private data folder, which the second uid cannot enter.
    QTemporaryDir dataScratch;
    QTemporaryDir runtimeScratch;
    ASSERT_TRUE(dataScratch.isValid() && runtimeScratch.isValid());
    const QString data = dataScratch.path();
    const QString runtime = runtimeScratch.path();
    ASSERT_EQ(ProgramRun::run(QStringLiteral("chown"), {QStringLiteral("65534"), runtime}).exitCode, 0);
    ASSERT_TRUE(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
    ASSERT_TRUE(QFile::setPermissions(data, QFileDevice::Permissions(0x7755)));
    const ProgramRun run = ProgramRun::run(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
         QStringLiteral("env"), QStringLiteral("LUTLOADER_DATA_DIR=") + data,
         QStringLiteral("XDG_RUNTIME_DIR=") + runtime, TestPaths::ctlProgram(), QStringLiteral("settings"),
         QStringLiteral("set"), QStringLiteral("Probe"), QStringLiteral("42")});
    EXPECT_NE(run.exitCode, 0) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("Probe = 42"));
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("/Orvanta.ini")));
}
