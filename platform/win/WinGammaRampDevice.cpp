#include "platform/win/WinGammaRampDevice.h"

#include <algorithm>

WinGammaRampDevice::WinGammaRampDevice(HDC hdc) : m_hdc(hdc) {}

WinGammaRampDevice::~WinGammaRampDevice()
{
    DeleteDC(m_hdc);
}

bool WinGammaRampDevice::read(GammaRamp& ramp)
{
    WORD words[3][RAMP_SIZE] = {};
    if (!GetDeviceGammaRamp(m_hdc, words)) {
        m_lastError = QStringLiteral("GetDeviceGammaRamp failed, error %1").arg(GetLastError());
        return false;
    }
    for (int c = 0; c < 3; ++c)
        ramp[c].assign(words[c], words[c] + RAMP_SIZE);
    return true;
}

bool WinGammaRampDevice::write(const GammaRamp& ramp)
{
    WORD words[3][RAMP_SIZE] = {};
    for (int c = 0; c < 3; ++c) {
        if (static_cast<int>(ramp[c].size()) != RAMP_SIZE) {
            m_lastError =
                QStringLiteral("ramp of %1 entries, the device takes %2").arg(ramp[c].size()).arg(RAMP_SIZE);
            return false;
        }
        std::copy(ramp[c].begin(), ramp[c].end(), words[c]);
    }
    // The driver may refuse ramps it considers unsafe (too far from linear); the caller retries.
    if (!SetDeviceGammaRamp(m_hdc, words)) {
        m_lastError = QStringLiteral("SetDeviceGammaRamp failed, error %1").arg(GetLastError());
        return false;
    }
    return true;
}
