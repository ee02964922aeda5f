#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <sys/types.h>

// The system calls of an i2c-dev character device, as a seam: the real one makes the calls,
// tests record what would be written and feed what would be read.
class I2CDeviceIo
{
public:
    virtual ~I2CDeviceIo() = default;

    // A file descriptor, or -1 with errno set.
    virtual int open(const QString& path) = 0;
    // ioctl(I2C_SLAVE): later reads and writes go to the 7-bit `address`.
    virtual int setSlaveAddress(int fd, int address) = 0;
    virtual ssize_t write(int fd, const void* data, size_t size) = 0;
    virtual ssize_t read(int fd, void* data, size_t size) = 0;
    virtual void close(int fd) = 0;

    // The real system calls.
    static std::shared_ptr<I2CDeviceIo> system();
};
