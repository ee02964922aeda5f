#include "tests/app/tray/AgentHarness.h"

#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "settings/DataDirectory.h"
#include "tests/app/tray/AgentLogOnFailure.h"
#include "tests/lut/load/LutLoadFixture.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>
#include <mutex>

namespace {

[[maybe_unused]] const bool g_logOnFailure = AgentLogOnFailure::install();

} // namespace

void AgentHarness::useOwnDataAndSession()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The data folder is the test program's own already (the test entry sees to it).
        const QString program = QCoreApplication::applicationName();
        if (!qEnvironmentVariable("XDG_SESSION_ID").startsWith(QLatin1String("test-")))
            qputenv("XDG_SESSION_ID", "test-" + program.toUtf8());
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QString runtime = TestPaths::dataDirectory() + "/run";
            QDir().mkpath(runtime);
            QFile::setPermissions(runtime,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        }
    });
}

QString AgentHarness::logPath()
{
    useOwnDataAndSession();
    return TestPaths::dataDirectory() + "/logb.qlog";
}

QByteArray AgentHarness::readLog()
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool AgentHarness::waitFor(const std::function<bool()>& done, int boundMs)
{
    const QDeadlineTimer bound(boundMs);
    while (!done() && !bound.hasExpired())
        QTest::qWait(50);
    return done();
}

int AgentHarness::ctl(const QStringList& args)
{
    useOwnDataAndSession();
    QProcess process;
    process.start(TestPaths::ctlProgram(), args);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode()
                                                                                          : -1;
}

int AgentHarness::sim(const QStringList& args)
{
    return ctl(QStringList{"--platform", "sim", "sim"} + args);
}

QString AgentHarness::writeWorkstation(const QString& folder, const QString& name,
                                       const QList<Display>& displays)
{
    useOwnDataAndSession();
    QStringList cards;
    QStringList items;
    for (const Display& display : displays) {
        if (!cards.contains(display.card))
            cards << display.card;
        QString item =
            QStringLiteral(R"({"output": "%1", "card": "%2", "rect": [0, 0, 1920, 1200], "edid": "%3")")
                .arg(display.output, display.card,
                     QString::fromLatin1(
                         LutLoadFixture::displayEdid(display.productCode, display.output).toHex()));
        if (!display.extra.isEmpty())
            item += ", " + display.extra;
        items << item + '}';
    }
    QStringList cardItems;
    for (int i = 0; i < cards.size(); ++i)
        cardItems << QStringLiteral(R"({"id": "%1", "name": "Sim card %2", "rampSize": 256})")
                         .arg(cards[i])
                         .arg(QChar('A' + i));
    const QString json = QStringLiteral(R"({"name": "%1", "videoCards": [%2], "displays": [%3]})")
                             .arg(name, cardItems.join(", "), items.join(", "));
    const QString path = TestPaths::freshFolder(folder) + "/workstation.json";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json.toUtf8()) != json.toUtf8().size())
        ADD_FAILURE() << "cannot write " << qPrintable(path);
    return path;
}

QList<int> AgentHarness::prepareDatabase(const QString& workstation,
                                         const std::function<void(const QList<int>&)>& seed)
{
    useOwnDataAndSession();
    QString error;
    EXPECT_TRUE(TestWorkstation::select(workstation, &error)) << qPrintable(error);
    DB::free();
    QFile::remove(DataDirectory::path() + "/Storage.db");
    DB::setPath(DataDirectory::path());
    EXPECT_TRUE(DB::get()->IsOpened());
    EXPECT_TRUE(Schema::checkAll(*DB::get()));
    CurrentDisplays::NonCachedRefresh();
    const QList<int> ids = DBUtils::RefreshDisplaysInfo();
    if (seed)
        seed(ids);
    DB::free();
    Platform::reset();
    return ids;
}

void AgentHarness::storeLoadedLut(int displayId, int slope)
{
    DBDisplayCurrentLUT::Channels channels;
    for (int c = 0; c < 3; ++c) {
        std::vector<int> channel;
        for (int i = 0; i < 256; ++i)
            channel.push_back(i * (slope + 10 * c));
        channels.push_back(channel);
    }
    EXPECT_GE(DBDisplayCurrentLUT().storeLUT(displayId, 2, 0, channels), 0);
    DBDisplays().setDisplayInfo(displayId, "lutupload", "true", false);
}

bool AgentHarness::stopAgent(QProcess& agent)
{
    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    if (!agent.waitForFinished(60000))
        return false;
    const QByteArray err = agent.readAllStandardError();
    return agent.exitCode() == 0 && !err.contains("AddressSanitizer") && !err.contains("runtime error");
}
