#include "tests/lut/load/LutLoadFixture.h"

#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "lut/KaldoDisplayProfile.h"
#include "platform/GammaRamps.h"
#include "platform/OSProfile.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimMccsMonitor.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/displays/SimDisplays.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <cmath>

namespace {

QString displayJson(const QString& output, const QString& card, int productCode, const QString& extra = {})
{
    const QByteArray edid = LutLoadFixture::displayEdid(productCode, QStringLiteral("Load %1").arg(output));
    return QStringLiteral(R"({"output": "%1", "card": "%2", "rect": [0, 0, 1920, 1200], "edid": "%3"%4})")
        .arg(output, card, QString::fromLatin1(edid.toHex()),
             extra.isEmpty() ? QString() : QStringLiteral(", ") + extra);
}

QString workstationJson()
{
    const QStringList displays{
        displayJson(QStringLiteral("DP-1"), QStringLiteral("card0"), 0x101),
        displayJson(QStringLiteral("HDMI-1"), QStringLiteral("card1"), 0x102),
        displayJson(QStringLiteral("DP-8"), QStringLiteral("card0"), 0x103,
                    QStringLiteral(R"("matrox": {"port": 1, "bitsPerChannel": 10})")),
        displayJson(QStringLiteral("DP-2"), QStringLiteral("card0"), 0x105),
        // A monitor with a LUT of its own behind DDC/CI.
        // On card1, so the Xenia board's display numbering on card0 stays as it is.
        displayJson(QStringLiteral("DP-3"), QStringLiteral("card1"), 0x106,
                    QStringLiteral(R"("ddc": {"lut": {"size": 16, "bits": 10}})")),
        // The simulated Xenia board answers by board display number alone, whatever the card: the
        // fourth display of card0 is a number no other display gets.
        displayJson(QStringLiteral("XEN-1"), QStringLiteral("card0"), 0x104,
                    QStringLiteral(R"("xenia": {"boardDisplay": 4, "rampSize": 256, "grid": [3, 2]})"))};
    return QStringLiteral(R"({"name": "LUT loading bench",
      "videoCards": [{"id": "card0", "name": "Sim card 8-bit", "rampSize": 256},
                     {"id": "card1", "name": "Sim card 10-bit", "rampSize": 1024}],
      "displays": [%1]})")
        .arg(displays.join(QStringLiteral(",\n")));
}

} // namespace

void LutLoadFixture::SetUp()
{
    const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    const QString folder = TestPaths::freshFolder(QStringLiteral("lutload-") + name);
    m_workstationFile = folder + QStringLiteral("/workstation.json");
    QString error;
    ASSERT_TRUE(TestWorkstation::select(m_workstationFile, workstationJson().toUtf8(), &error))
        << qPrintable(error);
    // Ramps and profiles outlive a backend like a real card's; every test starts from linear cards.
    const QString runtime = Platform::backend().session().runtimeDirectory();
    QDir(runtime + QStringLiteral("/sim-gamma")).removeRecursively();
    QDir(runtime + QStringLiteral("/sim-icc")).removeRecursively();
    QDir(runtime + QStringLiteral("/sim-ddc")).removeRecursively();

    DB::free();
    DB::setPath(databaseFolder(folder));
    ASSERT_TRUE(DB::get()->IsOpened());
    // Table classes create their tables once per process; each test has a new file.
    ASSERT_TRUE(Schema::checkAll(*DB::get()));
    CurrentDisplays::NonCachedRefresh();
    const QList<int> ids = DBUtils::RefreshDisplaysInfo();
    ASSERT_EQ(QSet<int>(ids.begin(), ids.end()).size(), 6);
    DisplayList::instance().clearDisplays();
}

void LutLoadFixture::TearDown()
{
    m_thread.wait();
    DisplayList::instance().clearDisplays();
    DB::free();
    Platform::reset();
}

int LutLoadFixture::idOf(const QString& output) const
{
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        if (CurrentDisplays::Display(i).deviceName() == output)
            return CurrentDisplays::DisplayId(i);
    }
    ADD_FAILURE() << "no display on " << qPrintable(output);
    return -1;
}

void LutLoadFixture::storeLut(const QString& output, const luts_t& table, int lutType, int uniformityId)
{
    const DBDisplayCurrentLUT::Channels channels(table.begin(), table.end());
    ASSERT_GE(DBDisplayCurrentLUT().storeLUT(idOf(output), lutType, uniformityId, channels), 0);
}

LutLoadFixture::Run LutLoadFixture::runLoad(LUTLoadingThread& thread, int id, bool load)
{
    Run run;
    QObject context;
    QObject::connect(&thread, &LUTLoadingThread::signalFailLUTUpload, &context, [&] { ++run.fails; });
    QObject::connect(&thread, &LUTLoadingThread::signalLutThreadFinished, &context,
                     [&] { ++run.finishedSignals; });
    EXPECT_TRUE(thread.start(id, load));
    // The thread's own end is the bound: a run that forgot its signal shows as a count of 0.
    while (!thread.wait(QDeadlineTimer(20)))
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    run.calibrated = DisplayList::instance().isDisplayCalibrated(id);
    return run;
}

luts_t LutLoadFixture::monitorTable(const QString& output)
{
    const QJsonObject state =
        SimMccsMonitor::loadState(Platform::backend().session().runtimeDirectory() +
                                  QStringLiteral("/sim-ddc/ddc-") + output + QStringLiteral(".json"));
    luts_t table;
    for (const QJsonValue& channel : state.value(QStringLiteral("lut")).toArray()) {
        table.emplace_back();
        for (const QJsonValue& v : channel.toArray())
            table.back().push_back(v.toInt());
    }
    return table;
}

std::optional<luts_t> LutLoadFixture::cardTable(const QString& output)
{
    const auto device = Platform::backend().gammaRamps().open(output);
    GammaRamp ramp;
    if (!device || !device->read(ramp))
        return std::nullopt;
    luts_t table;
    for (const auto& channel : ramp)
        table.emplace_back(channel.begin(), channel.end());
    return table;
}

luts_t LutLoadFixture::associatedProfileTable(const QString& output)
{
    const QString path = OSProfile::currentDisplayProfile(output);
    KaldoDisplayProfile::LutValues table;
    if (!path.isEmpty())
        KaldoDisplayProfile(path, output, -1, QString()).ReadLUT(table);
    return table;
}

luts_t LutLoadFixture::curve(int size, int top, double exponent)
{
    luts_t table(3, std::vector<int>(static_cast<size_t>(size)));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < size; ++i)
            table[c][i] =
                static_cast<int>(std::lround(std::pow(i / double(size - 1), exponent) * (top - 37 * c)));
    }
    return table;
}

luts_t LutLoadFixture::linear(int size, int top)
{
    luts_t table(3, std::vector<int>(static_cast<size_t>(size)));
    for (auto& channel : table) {
        for (int i = 0; i < size; ++i)
            channel[i] = static_cast<int>((static_cast<qint64>(i) * top * 2 + (size - 1)) / (2 * (size - 1)));
    }
    return table;
}

void LutLoadFixture::unplug(const QString& output)
{
    const QJsonObject answer = Platform::workstation()->apply(
        {{QStringLiteral("cmd"), QStringLiteral("unplug")}, {QStringLiteral("output"), output}});
    ASSERT_TRUE(answer.value(QStringLiteral("ok")).toBool());
}

void LutLoadFixture::plug(const QString& output)
{
    const QJsonObject answer = Platform::workstation()->apply(
        {{QStringLiteral("cmd"), QStringLiteral("plug")}, {QStringLiteral("output"), output}});
    ASSERT_TRUE(answer.value(QStringLiteral("ok")).toBool());
}

QByteArray LutLoadFixture::displayEdid(int productCode, const QString& name)
{
    QByteArray edid = SimDisplays::edid("KLD", static_cast<quint16>(productCode), name);
    // A serial number of its own (bytes 12-15), so each display gets a record of its own.
    edid[14] = static_cast<char>(productCode & 0xff);
    unsigned char sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(edid[i]));
    edid[127] = static_cast<char>(static_cast<unsigned char>(0x100 - sum));
    return edid;
}
