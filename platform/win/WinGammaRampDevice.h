#pragma once

#include "platform/GammaRampDevice.h"

#include <windows.h>

// A device context of one display device; deleted with this object.
class WinGammaRampDevice : public GammaRampDevice
{
public:
    static constexpr int RAMP_SIZE = 256;

    explicit WinGammaRampDevice(HDC hdc);
    ~WinGammaRampDevice() override;
    WinGammaRampDevice(const WinGammaRampDevice&) = delete;
    WinGammaRampDevice& operator=(const WinGammaRampDevice&) = delete;

    int rampSize() const override { return RAMP_SIZE; }
    bool read(GammaRamp& ramp) override;
    bool write(const GammaRamp& ramp) override;
    QString lastError() const override { return m_lastError; }
    // Display drivers skip SetDeviceGammaRamp with the table they already hold.
    bool ignoresRepeatedRamp() const override { return true; }

private:
    HDC m_hdc;
    QString m_lastError;
};
