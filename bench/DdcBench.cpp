// DDC/CI is mostly mandated waiting: a full internal-LUT upload and a capability read on the
// simulated bus, each against the sum of the gaps the protocol requires for it.
#include "bench/support/BenchReport.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIDisplay.h"
#include "platform/Platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

// A 500-byte capability string, as long ones of real monitors go.
QString longCapabilities()
{
    QString caps = QStringLiteral("(prot(monitor)type(LCD)model(BENCH)cmds(01 02 03 0C E2 E3 E7 F3)vcp(");
    for (int code = 0x10; caps.size() < 470; ++code)
        caps += QStringLiteral("%1 ").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    caps += QStringLiteral("73 75)");
    while (caps.size() < 499)
        caps += QLatin1Char(' ');
    return caps + QLatin1Char(')');
}

bool selectWorkstation(const QString& caps)
{
    const QString dir = QDir::tempPath() + QStringLiteral("/lutloader-ddc-bench");
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/ws.json");
    QFile out(file);
    const QString json = QStringLiteral(R"({"name": "DDC bench",
        "videoCards": [{"id": "card0", "name": "Sim card", "pciId": "1002:6613", "driver": "simgpu", "rampSize": 256}],
        "displays": [{"output": "DP-1", "card": "card0", "connected": true, "rect": [0, 0, 1920, 1200],
          "edid": "00ffffffffffff002d84312ad42800000c1f0104a52b20783aee95a3544c99260f505400000001010101010101010101010101010101e86700a080001e6030203500a73d1100001e000000fc004d44323120446961676e6f7374000000ff0037313030343532310a20202020000000fd00324c1e6e17000a2020202020200011",
          "ddc": {"replyDelayMs": 40, "lut": {"size": 1024, "bits": 10}, "capabilities": "%1"}}]})")
                             .arg(caps);
    if (!out.open(QIODevice::WriteOnly) || out.write(json.toUtf8()) < 0)
        return false;
    out.close();
    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    options.workstation = file;
    if (!Platform::select(options))
        return false;
    CurrentDisplays::NonCachedRefresh();
    return CurrentDisplays::DisplayCount() == 1;
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    const QtMessageHandler previous = qInstallMessageHandler(silence);
    const QString caps = longCapabilities();
    if (!selectWorkstation(caps)) {
        qInstallMessageHandler(previous);
        std::printf("ddc: cannot set up the simulated workstation\n");
        return;
    }
    DDCCIDisplay display(CurrentDisplays::DisplayId(0));
    display.hardwareReconnect();

    std::string text;
    QElapsedTimer capsTimer;
    capsTimer.start();
    const bool capsRead = display.readCapabilitiesString(text);
    const double capsNs = static_cast<double>(capsTimer.nsecsElapsed());
    // Each fragment: the reply delay after its request, then the read's gap before the next.
    const int fragments = static_cast<int>(text.size() + 1 + 31) / 32;
    const double capsMandatedNs =
        ((fragments * display.vcpGetCapabilitiesDelay()) + (fragments - 1) * 50.0) * 1e6;

    DDCCIDisplay::LUT lut(&display);
    luts_t table(3, std::vector<int>(static_cast<size_t>(lut.LUTSize())));
    for (auto& channel : table)
        for (size_t i = 0; i < channel.size(); ++i)
            channel[i] = static_cast<int>(i * 1023 / (channel.size() - 1));
    QElapsedTimer uploadTimer;
    uploadTimer.start();
    const bool uploaded = lut.ok() && lut.UploadLUT(table);
    const double uploadNs = static_cast<double>(uploadTimer.nsecsElapsed());
    // Consecutive block writes are one table-write delay apart; nothing waits after the last.
    const int blocks = lut.LUTUploadProgressCount();
    const double uploadMandatedNs = (blocks - 1) * static_cast<double>(display.vcpTableWriteDelay()) * 1e6;

    display.unlockHardware();
    qInstallMessageHandler(previous);
    report.add(
        QStringLiteral("ddc: capability read, %1 bytes in %2 fragments").arg(text.size()).arg(fragments),
        capsNs);
    report.add(QStringLiteral("ddc: internal LUT upload 3 x %1, %2 blocks").arg(lut.LUTSize()).arg(blocks),
               uploadNs);
    std::printf("capability read %s: %.3f s, mandated %.3f s, ratio %.3f\n", capsRead ? "ok" : "FAILED",
                capsNs / 1e9, capsMandatedNs / 1e9, capsNs / capsMandatedNs);
    std::printf("LUT upload %s: %.3f s, mandated %.3f s, ratio %.3f\n", uploaded ? "ok" : "FAILED",
                uploadNs / 1e9, uploadMandatedNs / 1e9, uploadNs / uploadMandatedNs);
}
