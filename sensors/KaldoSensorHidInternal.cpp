#include "sensors/KaldoSensorHidInternal.h"

#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"

#include <QDebug>

namespace {

// Where the sensor looks: a small square at the top centre of the screen.
constexpr int kSensorSide = 48;

QString requestFor(int displayId)
{
    const QString serial = CurrentDisplays::DisplayById(displayId).serial().trimmed();
    return serial.isEmpty() ? QString() : QStringLiteral("INT") + serial;
}

} // namespace

KaldoSensorHidInternal::KaldoSensorHidInternal(int displayId)
    : KaldoSensorHID(requestFor(displayId)), m_displayId(displayId)
{
}

std::shared_ptr<CSensor> KaldoSensorHidInternal::forDisplay(int displayId)
{
    auto sensor = std::make_shared<KaldoSensorHidInternal>(displayId);
    if (!sensor->IsConnected())
        return nullptr;
    qDebug() << "KaldoSensorHidInternal: built-in sensor of display" << displayId
             << sensor->deviceInfo().path;
    return sensor;
}

bool KaldoSensorHidInternal::IsConnected()
{
    // Without the display's serial any built-in sensor could be taken for its.
    if (m_request.isEmpty())
        return false;
    return KaldoSensorHID::IsConnected();
}

bool KaldoSensorHidInternal::GetCoords(QRect& coords)
{
    const DisplayInfo display = CurrentDisplays::DisplayById(m_displayId);
    if (display.right() < display.left())
        return false;
    const int width = display.right() - display.left() + 1;
    coords = QRect(display.left() + (width - kSensorSide) / 2, display.top(), kSensorSide, kSensorSide);
    return true;
}

QString KaldoSensorHidInternal::model()
{
    const QString name = KaldoSensorHID::model();
    return name == QLatin1String("Sorvex") ? QStringLiteral("KALDO Front Sensor") : name;
}
