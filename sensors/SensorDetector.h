#pragma once

#include "sensors/SensorTypes.h"

#include <QString>

#include <memory>
#include <vector>

class CSensor;

// Finds the first registered sensor that answers, remembers which class and port it was
// (in the suite's shared settings file, so the next search tries it first) and keeps the
// open sensor for the rest of the process. Detection and measuring happen on one thread
// at a time; the state is process-wide.
class SensorDetector
{
public:
    // Port -42 asks for no serial port and skips the maker's own sensors.
    static constexpr int ExcludeOwnPort = -42;

    static std::shared_ptr<CSensor> detect(int type, conniface_t iface, int port, bool excludeOwn);
    static std::shared_ptr<CSensor> detect(int port);
    static std::shared_ptr<CSensor> detect(int type, int port);
    static std::shared_ptr<CSensor> detect(conniface_t iface, int port, bool excludeOwn);
    static std::shared_ptr<CSensor> detectReflection(int port);
    static std::shared_ptr<CSensor> detectReflection(conniface_t iface, int port, bool excludeOwn);

    // A new connected and initialised sensor that only the caller holds, or null.
    static std::shared_ptr<CSensor> noCacheDetect(int type, conniface_t iface, int port, bool excludeOwn,
                                                  bool tryRemembered);
    // Lets go of the cached sensor; it closes when no one else holds it.
    static void release();
    static std::shared_ptr<CSensor> cached();

    static bool isKaldoSensor(const CSensor* sensor);
    // One candidate object of every registered class (serial classes on ports 0 to 10),
    // not connected, for callers that offer a choice.
    static std::vector<std::shared_ptr<CSensor>> multidetect(int type);
    static std::vector<std::shared_ptr<CSensor>> multiDetect();

    static bool calibrated();
    static void setCalibrated(bool calibrated);
    static bool hasConnectionProblems(QString& message);

private:
    static std::shared_ptr<CSensor> search(int type, conniface_t iface, int port, bool excludeOwn,
                                           bool tryRemembered);
};
