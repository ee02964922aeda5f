#include "sensors/WideFrontSensor.h"

#include "displays/CurrentDisplays.h"
#include "displays/WideDisplays.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace {

quint32 bigEndian(const std::vector<unsigned char>& bytes)
{
    quint32 value = 0;
    for (const unsigned char byte : bytes)
        value = value << 8 | byte;
    return value;
}

} // namespace

std::shared_ptr<CSensor> WideFrontSensor::forDisplay(WideDisplayBase& display)
{
    auto sensor = std::make_shared<WideFrontSensor>(display);
    if (!sensor->IsConnected())
        return nullptr;
    qDebug() << "WideFrontSensor: front sensor of display" << display.displayId();
    return sensor;
}

WideFrontSensor::WideFrontSensor(WideDisplayBase& display)
    : m_display(&display), m_displayId(display.displayId())
{
}

WideFrontSensor::~WideFrontSensor()
{
    DestroyConnectionHandle();
}

bool WideFrontSensor::IsConnected()
{
    // A display without the sensor has no light register to read.
    if (!m_display)
        return false;
    return m_display->readAmbientLight().size() == 2;
}

void WideFrontSensor::DestroyConnectionHandle()
{
    // Left in front of the panel it would cover part of the picture.
    if (m_in)
        swing(false);
}

bool WideFrontSensor::swing(bool in)
{
    if (!m_display || m_display->writeSensorOnOff({static_cast<unsigned char>(in ? 1 : 0)}).empty()) {
        qDebug() << "WideFrontSensor: display" << m_displayId << "does not move its sensor";
        return false;
    }
    m_in = in;
    return true;
}

bool WideFrontSensor::SetOption(int option, bool on)
{
    if (option != 0)
        return false;
    m_ambient = on;
    return true;
}

void WideFrontSensor::ShowPatch(int r, int g, int b)
{
    // The display shows one grey under the sensor: the luminance-weighted mean of the colour.
    const int grey = static_cast<int>(std::lround(0.2126 * r + 0.7152 * g + 0.0722 * b));
    if (!m_display ||
        m_display->writeSensorPattern({static_cast<unsigned char>(std::clamp(grey, 0, 255))}).empty())
        qDebug() << "WideFrontSensor: display" << m_displayId << "shows no sensor patch";
}

bool WideFrontSensor::readLux(double& lux)
{
    if (!m_display)
        return false;
    const std::vector<unsigned char> bytes = m_display->readAmbientLight();
    if (bytes.size() != 2) {
        qDebug() << "WideFrontSensor: no ambient light from display" << m_displayId;
        return false;
    }
    lux = bigEndian(bytes) * LuxUnit;
    return true;
}

bool WideFrontSensor::getAmbientLuminanceLux(double& lux)
{
    return readLux(lux);
}

bool WideFrontSensor::DoMeasure()
{
    if (m_ambient) {
        // In hundreds of lux, as every built-in sensor reports the room.
        double lux = 0;
        if (!readLux(lux))
            return false;
        setReading(0.0, lux / 100.0, 0.0);
        return true;
    }
    if (!m_display || (!m_in && !swing(true)))
        return false;
    const std::vector<unsigned char> bytes = m_display->readSensorLumi();
    if (bytes.size() != 4) {
        qDebug() << "WideFrontSensor: no luminance from display" << m_displayId;
        return false;
    }
    setReading(0.0, bigEndian(bytes) * LuminanceUnit, 0.0);
    return true;
}

QString WideFrontSensor::serial()
{
    return CurrentDisplays::DisplayById(m_displayId).serial();
}
