#include "sensors/SensorRegistration.h"

#include "displays/BaseDisplay.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/KaldoSensorHidInternal.h"
#include "sensors/SensorFactory.h"

namespace {

template <typename T> SensorFactory::Constructor make()
{
    return [](int /*port*/) { return std::static_pointer_cast<CSensor>(std::make_shared<T>()); };
}

} // namespace

void SensorRegistration::registerDeviceClasses()
{
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, make<KaldoSensorHID>());
    BaseDisplay::setBuiltInSensorProvider(&KaldoSensorHidInternal::forDisplay);
}
