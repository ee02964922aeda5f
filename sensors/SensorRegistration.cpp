#include "sensors/SensorRegistration.h"

#include "displays/BaseDisplay.h"
#include "displays/WideDisplays.h"
#include "sensors/C4Spyder.h"
#include "sensors/C5Spyder.h"
#include "sensors/CDLux.h"
#include "sensors/CSequel.h"
#include "sensors/CSpectraScanSensor.h"
#include "sensors/CSpyder.h"
#include "sensors/CXSpyder.h"
#include "sensors/CXrite.h"
#include "sensors/GossenM508Sensor.h"
#include "sensors/I1_Pro.h"
#include "sensors/JetiSensor.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/KaldoSensorHidInternal.h"
#include "sensors/LxPlusHid.h"
#include "sensors/LxPlusSerial.h"
#include "sensors/MinoltaCS200Interface.h"
#include "sensors/MinoltaCa200New.h"
#include "sensors/SensorFactory.h"
#include "sensors/SmartSensorWrapper.h"
#include "sensors/Spyder3PrinterInterface.h"
#include "sensors/WideFrontSensor.h"
#include "sensors/XriteI1d3.h"

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
    // The order is the detection order, and a class's place in it is the "sensor_number" the
    // suite's programs remember: it must not change.
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, make<SmartSensorWrapper>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, make<KaldoSensorHID>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<CXSpyder>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<MinoltaCS200Interface>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<C4Spyder>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<C5Spyder>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<XriteI1d3>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<CSpyder>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<CSequel>());
    SensorFactory::Register(SENSORTYPE_REFLECTIVE, CONNIFACE_USB, makeOnPort<Spyder3PrinterInterface>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<I1_Pro>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<CXrite>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<LxPlusHid>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<LxPlusSerial>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<GossenM508Sensor>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<JetiSensor>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<CDLux>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_USB, makeOnPort<MinoltaCa200New>());
    SensorFactory::Register(SENSORTYPE_EMISSIVE, CONNIFACE_SERIAL, makeOnPort<CSpectraScanSensor>());
    BaseDisplay::setBuiltInSensorProvider(&KaldoSensorHidInternal::forDisplay);
    WideDisplayBase::setFrontSensorProvider(&WideFrontSensor::forDisplay);
}
