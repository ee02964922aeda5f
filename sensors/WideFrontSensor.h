#pragma once

#include "sensors/CSensor.h"

#include <QPointer>

class WideDisplayBase;

// The front sensor of a WIDE display, read through the display's own registers: it swings in
// front of the panel while it measures the patch the display shows under it, and reads the
// room's light through the same window when asked for the ambient light. Luminance only.
// The display owns it through its sensor field; the sensor does not keep the display alive
// and fails its measurements once the display object is gone.
class WideFrontSensor : public CSensor
{
    Q_OBJECT
public:
    // Luminance comes in hundredths of cd/m², the room light in tenths of a lux.
    static constexpr double LuminanceUnit = 0.01;
    static constexpr double LuxUnit = 0.1;

    static std::shared_ptr<CSensor> forDisplay(WideDisplayBase& display);

    explicit WideFrontSensor(WideDisplayBase& display);
    ~WideFrontSensor() override;

    bool SetParameters() override { return true; }
    bool setMeasuringType(int type) override { return IsMeasuringTypeSupport(type); }
    bool IsConnected() override;
    void DestroyConnectionHandle() override;
    bool InternalCalibrate() override { return IsConnected(); }
    bool DoMeasure() override;
    bool getAmbientLuminanceLux(double& lux) override;
    bool IsSensorCalibrationNeeded() override { return false; }
    bool IsColor() override { return false; }
    bool CanbeMoved() override { return false; }
    bool IsColorPatch() override { return true; }
    void ShowPatch(int r, int g, int b) override;
    // Option 0: read the room's light instead of the panel.
    bool SetOption(int option, bool on) override;
    bool LuxMeasureEnabled() override { return true; }
    QString vendor() override { return QStringLiteral("WIDE"); }
    QString model() override { return QStringLiteral("Front sensor"); }
    QString serial() override;

private:
    bool readLux(double& lux);
    bool swing(bool in);

    QPointer<WideDisplayBase> m_display;
    int m_displayId;
    bool m_ambient = false;
    bool m_in = false;
};
