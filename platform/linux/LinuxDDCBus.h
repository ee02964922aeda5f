#pragma once

#include "platform/DDCBus.h"

#include <memory>

class I2CDeviceIo;

// One /dev/i2c-N device opened for DDC/CI. Each transfer selects the slave address and
// moves one whole message with write() or read(), as the i2c-dev driver expects.
class LinuxDDCBus : public DDCBus
{
public:
    LinuxDDCBus(std::shared_ptr<I2CDeviceIo> io, int fd, QString path);
    ~LinuxDDCBus() override;

    bool write(quint8 address, const QByteArray& bytes, QString* error) override;
    bool read(quint8 address, int count, QByteArray& out, QString* error) override;

private:
    bool selectAddress(quint8 address, QString* error);

    std::shared_ptr<I2CDeviceIo> m_io;
    int m_fd;
    QString m_path;
    int m_selected = -1;
};
