// Cost of loading a video card's gamma ramp and reading it back through our code,
// against the bare XRandR calls doing the same on the same private X server.
#include "bench/support/BenchReport.h"
#include "lut/WindowsLUT.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "tests/support/DummyXServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <cmath>
#include <cstdio>

namespace {

const char* const OUTPUT = "DUMMY1";

void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// What a minimal client does: connect, find the output's CRTC, set the ramp, read it back.
bool bareWriteAndRead(const QByteArray& display, const GammaRamp& ramp)
{
    Display* x = XOpenDisplay(display.constData());
    if (!x)
        return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x, DefaultRootWindow(x));
    RRCrtc crtc = 0;
    for (int i = 0; resources && i < resources->noutput && crtc == 0; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(x, resources, resources->outputs[i]);
        if (info && qstrncmp(info->name, OUTPUT, info->nameLen) == 0)
            crtc = info->crtc;
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
    bool same = false;
    const int size = crtc ? XRRGetCrtcGammaSize(x, crtc) : 0;
    if (size == static_cast<int>(ramp[0].size())) {
        XRRCrtcGamma* gamma = XRRAllocGamma(size);
        std::copy(ramp[0].begin(), ramp[0].end(), gamma->red);
        std::copy(ramp[1].begin(), ramp[1].end(), gamma->green);
        std::copy(ramp[2].begin(), ramp[2].end(), gamma->blue);
        XRRSetCrtcGamma(x, crtc, gamma);
        XRRFreeGamma(gamma);
        XRRCrtcGamma* back = XRRGetCrtcGamma(x, crtc);
        same = back && std::equal(ramp[2].begin(), ramp[2].end(), back->blue);
        XRRFreeGamma(back);
    }
    XCloseDisplay(x);
    return same;
}

luts_t curveTable(double exponent)
{
    luts_t table(3, std::vector<int>(256));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            table[c][i] = static_cast<int>(std::lround(std::pow(i / 255.0, exponent) * 65280));
    }
    return table;
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    DummyXServer server(2);
    if (!server.isRunning()) {
        std::printf("gamma: skipped, no private X server: %s\n", qPrintable(server.error()));
        return;
    }
    const QByteArray display = server.display().toLatin1();
    qputenv("DISPLAY", display);
    PlatformOptions options;
    options.platform = PlatformOptions::nativePlatform();
    Platform::select(options);
    // The upload logs every table; that goes to the log file in the agent, nowhere here.
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);

    const luts_t table = curveTable(2.2);
    GammaRamp ramp;
    for (int c = 0; c < 3; ++c)
        ramp[c].assign(table[c].begin(), table[c].end());

    bool allGood = true;
    const double bare = BenchReport::measure([&] { allGood &= bareWriteAndRead(display, ramp); }, 51);
    report.add("gamma: bare XRandR set + get (own connection)", bare);

    const double device = BenchReport::measure(
        [&] {
            auto opened = Platform::backend().gammaRamps().open(OUTPUT);
            GammaRamp back;
            allGood &= opened && opened->write(ramp) && opened->read(back) && back == ramp;
        },
        51);
    report.add("gamma: GammaRamps open + write + read", device);

    WindowsLUT lut(1, OUTPUT);
    const double windowsLut = BenchReport::measure(
        [&] {
            luts_t back;
            allGood &= lut.UploadLUT(table) && lut.DownloadLUT(back) && back == table;
        },
        51);
    report.add("gamma: WindowsLUT UploadLUT + DownloadLUT", windowsLut);

    qInstallMessageHandler(previous);
    Platform::reset();
    std::printf("gamma: platform layer / bare XRandR = %.2f, WindowsLUT / bare XRandR = %.2f%s\n",
                device / bare, windowsLut / bare, allGood ? "" : "  (WARNING: a read-back differed)");
}
