#pragma once

#include "lut/ProfileLUT.h"

#include <QString>

// The operating system's gamma ramp of the video card output that drives the display,
// with the display's profile kept in step. Tables have 256 entries up to 65280 (255 x 256);
// the card's ramp may be of another size (see GammaRampScaler).
class WindowsLUT : public ProfileLUT
{
    Q_OBJECT
public:
    // How often a refused ramp is offered again, without a pause between tries.
    static constexpr int SET_RAMP_ATTEMPTS = 5;

    // `deviceName` is the output the display enumeration reports for the display.
    WindowsLUT(int displayId, const QString& deviceName, QObject* parent = nullptr);

    int displayId() const { return m_displayId; }
    QString deviceName() const { return m_deviceName; }
    // After the display moved to another output.
    void setDeviceName(const QString& deviceName) { m_deviceName = deviceName; }
    // From now on a refused ramp or an output that cannot be opened counts as loaded
    // (systems whose ramps are managed elsewhere).
    void ignoreOSLUT();
    bool isOSLUTIgnored() const { return m_ignoreOSLUT; }

    bool DownloadLUT(luts_t& table) override;
    bool RealUploadLUT(const luts_t& table) override;

private:
    bool tableFitsRamp(const luts_t& table);

    const int m_displayId;
    QString m_deviceName;
    bool m_ignoreOSLUT = false;
};
