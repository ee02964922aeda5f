#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

// One active display output as the operating system lists it: where it sits on the desktop, the
// EDID of the display behind it, and the names of the output and of its video card.
struct DisplayOutput
{
    // The name that addresses the output's gamma ramp and profile: the RandR output ("DP-1"), the
    // simulated output, or the Win32 adapter device ("\\.\DISPLAY1").
    QString deviceName;
    // A further name of the output: the DRM connector ("card0-DP-1") or the monitor device string.
    QString deviceString;
    QString videoCardName;
    // What tells video cards apart: the DRM PCI slot, the simulated card id, the adapter's registry key.
    QString videoCardKey;
    // Desktop rectangle; invalid when the system has no desktop for it (DRM without X).
    QRect rect;
    QSize resolution;
    QByteArray edid;
    // The CRTC driving the output (RandR CRTC id, or its index on the simulated card); -1 when unknown.
    qint64 crtc = -1;

    bool operator==(const DisplayOutput&) const = default;
};
