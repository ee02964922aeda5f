#include "tests/lut/gamma/SimGammaFixture.h"

#include "platform/GammaRamps.h"
#include "platform/OSProfile.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimGammaRamps.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QDir>

#include <cmath>

namespace {

const char WORKSTATION[] = R"({
  "name": "Gamma bench",
  "videoCards": [
    {"id": "card0", "name": "Sim card 8-bit", "rampSize": 256},
    {"id": "card1", "name": "Sim card 10-bit", "rampSize": 1024},
    {"id": "card2", "name": "Sim card coarse", "rampSize": 16}
  ],
  "displays": [
    {"output": "DP-1", "card": "card0", "rect": [0, 0, 1920, 1200]},
    {"output": "DP-2", "card": "card0", "rect": [1920, 0, 1920, 1200]},
    {"output": "HDMI-1", "card": "card1", "rect": [3840, 0, 1920, 1200]},
    {"output": "VGA-1", "card": "card2", "rect": [5760, 0, 1024, 768]},
    {"output": "DP-3", "card": "card0", "connected": false},
    {"output": "DP-4", "card": "card0", "gammaRamp": {"failWrites": 2}},
    {"output": "DP-5", "card": "card0", "gammaRamp": {"failWrites": 5}},
    {"output": "DP-6", "card": "card0", "gammaRamp": {"refuse": true}},
    {"output": "DP-7", "card": "card0", "gammaRamp": {"failReads": true}},
    {"output": "DP-8", "card": "card0", "matrox": {"port": 1, "bitsPerChannel": 10}},
    {"output": "DP-9", "card": "card0", "matrox": {"port": 2, "bitsPerChannel": 8, "failUpload": true}},
    {"output": "DP-10", "card": "card0", "matrox": {"port": 3, "failPortQuery": 2}},
    {"output": "DP-11", "card": "card0", "xenia": {"boardDisplay": 1, "rampSize": 1024, "grid": [3, 2]}},
    {"output": "DP-12", "card": "card0", "xenia": {"boardDisplay": 2, "rampSize": 256, "failEnable": true}},
    {"output": "DP-13", "card": "card0", "xenia": {"boardDisplay": 3, "isXenia": false}},
    {"output": "DP-14", "card": "card0", "gammaRamp": {"ignoresRepeatedRamp": true}}
  ]
})";

} // namespace

void SimGammaFixture::SetUp()
{
    const QString file = TestPaths::freshFolder("gamma-workstation") + "/workstation.json";
    QString error;
    ASSERT_TRUE(TestWorkstation::select(file, WORKSTATION, &error)) << qPrintable(error);
    // Ramps and profiles outlive a backend, as on a real machine; every test starts from
    // linear cards and no profiles of ours.
    QDir(simRamps().stateDirectory()).removeRecursively();
    QDir(OSProfile::profilepath()).removeRecursively();
}

void SimGammaFixture::TearDown()
{
    Platform::reset();
}

const SimGammaRamps& SimGammaFixture::simRamps()
{
    return dynamic_cast<const SimGammaRamps&>(Platform::backend().gammaRamps());
}

std::optional<GammaRamp> SimGammaFixture::cardRamp(const QString& output)
{
    const auto device = Platform::backend().gammaRamps().open(output);
    GammaRamp ramp;
    if (!device || !device->read(ramp))
        return std::nullopt;
    return ramp;
}

int SimGammaFixture::writes(const QString& output)
{
    return simRamps().writeCount(output);
}

luts_t SimGammaFixture::curveTable(double exponent, int top)
{
    luts_t table(3, std::vector<int>(256));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            table[c][i] = static_cast<int>(std::lround(std::pow(i / 255.0, exponent) * (top - 40 * c)));
    }
    return table;
}
