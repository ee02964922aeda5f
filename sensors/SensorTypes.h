#pragma once

#include <QtGlobal>

// Maker of a sensor, passed by each device class.
enum sensortype_t : qint32
{
    SENSOR_NONE = -1,
    SENSOR_SEQUEL = 0,
    SENSOR_I1PRO = 1,
    SENSOR_XRITE = 2,
    SENSOR_SPYDER = 3,
    SENSOR_SPECTRASCAN = 4,
    SENSOR_I1D3 = 5,
    SENSOR_LXPLUS = 6,
    SENSOR_GOSSEN = 7,
    SENSOR_CDLUX = 8,
    SENSOR_MINOLTA = 9,
    SENSOR_JETI = 10,
    SENSOR_KALDO = 11,
};

// How a sensor is attached; a serial port number is a COM port index.
enum conniface_t
{
    CONNIFACE_SERIAL = 0,
    CONNIFACE_USB = 1,
};

// What a sensor measures: a display's light or a print's reflection.
enum SensorType
{
    SENSORTYPE_EMISSIVE = 0,
    SENSORTYPE_REFLECTIVE = 1,
};
