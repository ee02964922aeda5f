#pragma once

#include "sensors/SensorTypes.h"

#include <functional>
#include <memory>

class CSensor;

// The registry of sensor classes: per measurement type and connection interface, an
// ordered list of constructor functions that take the port number. Registration happens
// once at program start (`registerAll`); the list order is the order detection tries.
class SensorFactory
{
public:
    using Constructor = std::function<std::shared_ptr<CSensor>(int port)>;

    static bool Register(int type, conniface_t iface, Constructor constructor);
    static int size(int type, conniface_t iface);
    // A new device object of the `index`-th class; null when the index is beyond the list.
    static std::shared_ptr<CSensor> createInstance(int type, conniface_t iface, int index, int port);

    // Registers every device class of the program in its fixed order; later calls do nothing.
    static void registerAll();
    // Forgets every registration (tests that register their own).
    static void clear();
};
