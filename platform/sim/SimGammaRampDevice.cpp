#include "platform/sim/SimGammaRampDevice.h"

#include "platform/sim/SimGammaRamps.h"

SimGammaRampDevice::SimGammaRampDevice(const SimGammaRamps& ramps, QString output, int size,
                                       bool ignoresRepeatedRamp)
    : m_ramps(ramps), m_output(std::move(output)), m_size(size), m_ignoresRepeatedRamp(ignoresRepeatedRamp)
{
}

bool SimGammaRampDevice::read(GammaRamp& ramp)
{
    return m_ramps.load(m_output, m_size, ramp, &m_lastError);
}

bool SimGammaRampDevice::write(const GammaRamp& ramp)
{
    for (const auto& channel : ramp) {
        if (static_cast<int>(channel.size()) != m_size) {
            m_lastError =
                QStringLiteral("ramp of %1 entries for a card of %2").arg(channel.size()).arg(m_size);
            return false;
        }
    }
    return m_ramps.store(m_output, ramp, &m_lastError);
}
