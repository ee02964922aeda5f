// libFuzzer entry: a simulated workstation file, loaded, described and driven through a few
// control commands, as `--workstation FILE` and `lutloaderctl sim` do.
#include "platform/sim/SimWorkstation.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QJsonObject>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    SimWorkstation workstation;
    QString error;
    if (!workstation.loadJson(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                              FuzzSupport::scratchFolder(), &error))
        return 0;
    workstation.state();
    for (const SimDisplay& display : workstation.displays()) {
        workstation.apply(
            {{QStringLiteral("cmd"), QStringLiteral("unplug")}, {QStringLiteral("output"), display.output}});
        workstation.apply(
            {{QStringLiteral("cmd"), QStringLiteral("plug")}, {QStringLiteral("output"), display.output}});
        workstation.apply({{QStringLiteral("cmd"), QStringLiteral("power")},
                           {QStringLiteral("output"), display.output},
                           {QStringLiteral("state"), QStringLiteral("off")}});
    }
    workstation.apply({{QStringLiteral("cmd"), QStringLiteral("lock")}});
    workstation.state();
    return 0;
}
