#include "tests/sensors/SensorWorkstation.h"

#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "sensors/SensorFactory.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <gtest/gtest.h>

namespace {

QString g_file;

const char* const kEdid1 = "00ffffffffffff002d84312ad42800000c1f0104a52b20783aee95a3544c99260f505400000001010"
                           "101010101010101010101010101e86700"
                           "a080001e6030203500a73d1100001e000000fc004d44323120446961676e6f7374000000ff0037313"
                           "030343532310a20202020000000fd0032"
                           "4c1e6e17000a2020202020200011";
const char* const kEdid2 = "00ffffffffffff002d84312ad52800000c1f0104a52b20783aee95a3544c99260f505400000001010"
                           "101010101010101010101010101e86700"
                           "a080001e6030203500a73d1100001e000000fc004d44323120446961676e6f7374000000ff0037313"
                           "030343532320a20202020000000fd0032"
                           "4c1e6e17000a202020202020000f";

} // namespace

bool SensorWorkstation::install(const QString& faults, const QString& extraDisplay, const QString& extraHid)
{
    const QString json = QStringLiteral(R"({"name": "Reading room",
      "videoCards": [{"id": "card0", "name": "Sim card", "rampSize": 256}],
      "hidDevices": [
        {"path": "/dev/hidraw7", "manufacturer": "Kaldo Ltd.", "product": "Sorvex", "serial": "SV1"},
        {"path": "/dev/hidraw8", "manufacturer": "Generic", "product": "USB Keyboard", "serial": "KB"}%5
      ],
      "displays": [
        {"output": "DP-1", "card": "card0", "rect": [0, 0, 2048, 1536], "edid": "%1",
         "panel": {"white": 400, "black": 0.4, "gamma": 2.2}, "ambientLux": 5,
         "sensors": [
           {"path": "/dev/hidraw3", "manufacturer": "KALDO", "product": "KALDO Front Sensor", "serial": "FS100",
            "vendor": "kaldo", "model": "sorvex", "faults": {%3},
            "specificCalibrations": ["1 0 2a31 MD21 Diagnost", "1 1 1234 Other"]},
           {"path": "/dev/hidraw4", "manufacturer": "Kaldo Ltd.", "product": "Sorvex internal",
            "serial": "INT71004521"}
         ]%4},
        {"output": "DP-2", "card": "card0", "rect": [2048, 0, 2048, 1536], "edid": "%2"}
      ]})")
                             .arg(QLatin1String(kEdid1), QLatin1String(kEdid2), faults,
                                  extraDisplay.isEmpty() ? QString() : QStringLiteral(", ") + extraDisplay,
                                  extraHid.isEmpty() ? QString() : QStringLiteral(", ") + extraHid);
    QString error;
    const QString file = TestPaths::freshFolder(QStringLiteral("sensor-ws")) + QStringLiteral("/ws.json");
    g_file = file;
    if (!TestWorkstation::select(file, json.toUtf8(), &error)) {
        ADD_FAILURE() << error.toStdString();
        return false;
    }
    CurrentDisplays::NonCachedRefresh();
    SensorFactory::registerAll();
    return true;
}

QString SensorWorkstation::file()
{
    return g_file;
}

void SensorWorkstation::uninstall()
{
    Platform::reset();
}

int SensorWorkstation::displayId(const QString& output)
{
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        if (CurrentDisplays::Display(i).deviceName() == output)
            return CurrentDisplays::DisplayId(i);
    }
    return -1;
}
