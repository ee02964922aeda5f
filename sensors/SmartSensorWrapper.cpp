#include "sensors/SmartSensorWrapper.h"

SmartSensorWrapper::SmartSensorWrapper(QString request) : KaldoSensorHID(std::move(request)) {}

bool SmartSensorWrapper::accepts(const HidDeviceInfo& device) const
{
    return isKaldoDevice(device) && device.product.contains(QLatin1String("smart"), Qt::CaseInsensitive);
}

QString SmartSensorWrapper::model()
{
    const QString name = KaldoSensorHID::model();
    return name == QLatin1String("Sorvex") ? QStringLiteral("Sorvex Smart") : name;
}
