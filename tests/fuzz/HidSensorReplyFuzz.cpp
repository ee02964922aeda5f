// libFuzzer entry: the input reports of one of the maker's HID sensors, answering the commands
// of a detection, a measurement and a calibration choice. The input is a run of reports, each
// after one head byte: its low 7 bits the report's length, its high bit set when the report
// starts the answer to the next command (the reports without it add debug lines or the further
// lines of a listing to the current answer).
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "sensors/KaldoSensorHID.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

QJsonArray answers(const uint8_t* data, size_t size)
{
    QJsonArray all;
    QJsonArray current;
    for (size_t i = 0; i < size;) {
        const uint8_t head = data[i++];
        const size_t length = std::min<size_t>(head & 0x7f, size - i);
        if ((head & 0x80) && !current.isEmpty()) {
            all.append(current);
            current = QJsonArray();
        }
        const QByteArray report(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(length));
        current.append(QString::fromLatin1(report.toHex()));
        i += length;
    }
    if (!current.isEmpty())
        all.append(current);
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    FuzzSupport::useSimulatedPlatform();
    const QJsonArray replies = answers(data, size);
    if (replies.isEmpty())
        return 0;
    const QJsonObject sensor{
        {QStringLiteral("path"), QStringLiteral("/dev/hidraw1")},
        {QStringLiteral("manufacturer"), QStringLiteral("Kaldo Ltd.")},
        {QStringLiteral("product"), QStringLiteral("Sorvex")},
        {QStringLiteral("serial"), QStringLiteral("F1")},
        {QStringLiteral("faults"), QJsonObject{{QStringLiteral("rawReports"), replies}}}};
    const QJsonObject workstation{{QStringLiteral("name"), QStringLiteral("fuzz")},
                                  {QStringLiteral("hidDevices"), QJsonArray{sensor}}};
    if (!Platform::workstation()->loadJson(QJsonDocument(workstation).toJson(), FuzzSupport::scratchFolder()))
        __builtin_trap();

    KaldoSensorHID hid(QStringLiteral("F1"));
    // Finding and opening the device asks it nothing.
    if (!hid.IsConnected())
        __builtin_trap();
    if (hid.DoMeasure()) {
        for (const double value : hid.GetMeasureData()) {
            if (!std::isfinite(value))
                __builtin_trap();
        }
    }
    hid.vendor();
    hid.model();
    hid.serial();
    hid.getFwVersion();
    unsigned info[3] = {};
    hid.getSensorInfo(info[0], info[1], info[2]);
    int group = 0;
    int index = 0;
    hid.currentCalibration(group, index);
    hid.setMeasuringType(CSensor::LCD);
    if (hid.loadSpecificCalibrationsList() && hid.specificCalibrations().size() > 256)
        __builtin_trap();
    return 0;
}
