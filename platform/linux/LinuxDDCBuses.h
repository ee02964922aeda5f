#pragma once

#include "platform/DDCBuses.h"

#include <memory>

class I2CDeviceIo;

// The DDC buses of the DRM connectors: /sys/class/drm/cardN-<connector>/ddc (or its i2c-N
// child) names the bus, /dev/i2c-N reaches it through the i2c-dev module.
class LinuxDDCBuses : public DDCBuses
{
public:
    LinuxDDCBuses();
    // Another sysfs and /dev root and other system calls, for tests.
    LinuxDDCBuses(QString sysfsDrm, QString devDirectory, std::shared_ptr<I2CDeviceIo> io);

    std::unique_ptr<DDCBus> open(const QString& output, QString* error) const override;
    // The i2c bus number of the connector behind the X11 output name; -1 when none is found.
    int busNumber(const QString& output) const;

private:
    QString m_sysfsDrm;
    QString m_devDirectory;
    std::shared_ptr<I2CDeviceIo> m_io;
};
