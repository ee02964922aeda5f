#pragma once

#include <QByteArray>
#include <QString>

// The I2C bus of one display output as DDC/CI uses it: whole-message writes to and reads
// from a 7-bit device address. Used by one thread at a time.
class DDCBus
{
public:
    virtual ~DDCBus() = default;

    // Writes `bytes` as one message; false (reason in `error`) when no device acknowledged.
    virtual bool write(quint8 address, const QByteArray& bytes, QString* error) = 0;
    // Reads exactly `count` bytes as one message; false when the device did not answer.
    virtual bool read(quint8 address, int count, QByteArray& out, QString* error) = 0;
};
