#pragma once

#include "platform/GammaRampDevice.h"

class SimGammaRamps;

// One opened output of the simulated cards.
class SimGammaRampDevice : public GammaRampDevice
{
public:
    SimGammaRampDevice(const SimGammaRamps& ramps, QString output, int size, bool ignoresRepeatedRamp);

    int rampSize() const override { return m_size; }
    bool read(GammaRamp& ramp) override;
    bool write(const GammaRamp& ramp) override;
    QString lastError() const override { return m_lastError; }
    bool ignoresRepeatedRamp() const override { return m_ignoresRepeatedRamp; }

private:
    const SimGammaRamps& m_ramps;
    const QString m_output;
    const int m_size;
    const bool m_ignoresRepeatedRamp;
    QString m_lastError;
};
