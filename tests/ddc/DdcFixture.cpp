#include "tests/ddc/DdcFixture.h"

#include "displays/CurrentDisplays.h"
#include "displays/DDCCIAutoDelay.h"
#include "displays/DDCCIFactory.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimMccsMonitor.h"
#include "tests/displays/SimDisplays.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace {

void clearPool()
{
    for (const int id : DDCCIFactory::pooledIds())
        DDCCIFactory::releaseDDCCI(id);
}

} // namespace

QString DdcFixture::generic(const QString& output, const char* vendor, const QString& name,
                            const QString& ddcExtra)
{
    const QString ddc = ddcExtra.isEmpty() ? QStringLiteral(R"("ddc": {"replyDelayMs": 40})")
                                           : QStringLiteral(R"("ddc": {%1})").arg(ddcExtra);
    return SimDisplays::display(output, SimDisplays::edid(vendor, 0x1234, name), true, ddc);
}

QString DdcFixture::silent(const QString& output)
{
    return SimDisplays::display(output, SimDisplays::edid("SIM", 0x4321, QStringLiteral("Plain")));
}

QJsonObject DdcFixture::monitorState(const QString& output)
{
    return SimMccsMonitor::loadState(Platform::backend().session().runtimeDirectory() +
                                     QStringLiteral("/sim-ddc/ddc-") + output + QStringLiteral(".json"));
}

void DdcFixture::SetUp()
{
    clearPool();
    DDCCIAutoDelay::reset();
}

void DdcFixture::TearDown()
{
    clearPool();
    SimDisplays::uninstall();
}

bool DdcFixture::installMonitors(const QStringList& displays)
{
    QString error;
    if (!SimDisplays::install(displays, &error)) {
        ADD_FAILURE() << error.toStdString();
        return false;
    }
    QDir(Platform::backend().session().runtimeDirectory() + QStringLiteral("/sim-ddc")).removeRecursively();
    return true;
}

std::vector<int> DdcFixture::lutChannel(const QJsonObject& state, int c)
{
    std::vector<int> values;
    for (const QJsonValue& v : state.value("lut").toArray().at(c).toArray())
        values.push_back(v.toInt());
    return values;
}
