#pragma once

// The device classes of the program, registered with the sensor factory in detection order.
class SensorRegistration
{
public:
    static void registerDeviceClasses();
};
