#include "sensors/SensorRegistration.h"

#include "displays/BaseDisplay.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/KaldoSensorHidInternal.h"
#include "sensors/LxPlusSerial.h"
#include "sensors/SensorFactory.h"
#include "sensors/SmartSensorWrapper.h"

namespace {

template <typename T> SensorFactory::Constructor make()
{
    return [](int /*port*/) { return std::static_pointer_cast<CSensor>(std::make_shared<T>()); };
}

template <typename T> SensorFactory::Constructor makeOnPort()
{
    return [](int port) { return std::static_pointer_cast<CSensor>(std::make_shared<T>(port)); };
}

} // namespace

void SensorRegistration::registerDeviceClasses()
{
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, make<SmartSensorWrapper>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, make<KaldoSensorHID>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<LxPlusSerial>());
    BaseDisplay::setBuiltInSensorProvider(&KaldoSensorHidInternal::forDisplay);
}
