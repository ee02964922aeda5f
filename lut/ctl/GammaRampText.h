#pragma once

#include "platform/GammaRampDevice.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The text form of a gamma ramp that lutloaderctl prints and reads back: three lines
// (red, green, blue) of 16-bit values separated by spaces.
class GammaRampText
{
public:
    static QString format(const GammaRamp& ramp);
    // Blank lines and surrounding spaces are ignored; anything else that is not three
    // lines of equally many values from 0 to 65535 gives nothing and the reason in `error`.
    static std::optional<GammaRamp> parse(const QByteArray& text, QString* error);
};
