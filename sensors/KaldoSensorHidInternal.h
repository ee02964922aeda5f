#pragma once

#include "sensors/KaldoSensorHID.h"

// The maker's sensor built into a display. It sits at a fixed place on the screen and
// cannot be moved; its USB serial is "INT" followed by the display's serial number, which
// is how the display finds it.
class KaldoSensorHidInternal : public KaldoSensorHID
{
    Q_OBJECT
public:
    explicit KaldoSensorHidInternal(int displayId);

    // The built-in sensor of the display with the given id, connected; null when it has none.
    static std::shared_ptr<CSensor> forDisplay(int displayId);

    bool IsConnected() override;
    bool CanbeMoved() override { return false; }
    bool IsColorPatch() override { return true; }
    bool GetCoords(QRect& coords) override;
    bool LuxMeasureEnabled() override { return true; }
    QString model() override;

    int displayId() const { return m_displayId; }

private:
    int m_displayId;
};
