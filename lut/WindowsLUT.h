#pragma once

#include "lut/ProfileLUT.h"

#include <QString>

#include <functional>
#include <memory>

class GammaRampDevice;

// The operating system's gamma ramp of the video card output that drives the display,
// with the display's profile kept in step. Tables have 256 entries up to 65280 (255 x 256);
// the card's ramp may be of another size (see GammaRampScaler).
class WindowsLUT : public ProfileLUT
{
    Q_OBJECT
    // The system gamma ramp of every platform, not only of the one it was first written for.
    Q_CLASSINFO("label", "VideoCardLUT")
public:
    // How often a refused ramp is offered again, without a pause between tries.
    static constexpr int SET_RAMP_ATTEMPTS = 5;

    // Tells the output that drives the display now (the current display enumeration's
    // device name); empty when the display is not attached.
    using DeviceNameLookup = std::function<QString()>;

    // A fixed output.
    WindowsLUT(int displayId, const QString& deviceName, QObject* parent = nullptr);
    // The output is looked up at each load and read, so a display that moved to another
    // output is followed and one that left is not loaded into a stranger's ramp.
    WindowsLUT(int displayId, DeviceNameLookup deviceName, QObject* parent = nullptr);

    int displayId() const { return m_displayId; }
    // The output the ramp is loaded into now; empty when the display is not attached.
    QString deviceName() const;
    // From now on a refused ramp or an output that cannot be opened counts as loaded
    // (systems whose ramps are managed elsewhere).
    void ignoreOSLUT();
    bool isOSLUTIgnored() const { return m_ignoreOSLUT; }

    bool DownloadLUT(luts_t& table) override;
    bool RealUploadLUT(const luts_t& table) override;

protected:
    bool needsLinearCleanup() override;
    QString describeTarget() const override;

private:
    bool tableFitsRamp(const luts_t& table);

    std::unique_ptr<GammaRampDevice> openRamp(QString* deviceName);

    const int m_displayId;
    const DeviceNameLookup m_deviceName;
    bool m_ignoreOSLUT = false;
};
