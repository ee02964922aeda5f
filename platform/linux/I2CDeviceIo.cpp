#include "platform/linux/I2CDeviceIo.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

class SystemI2CDeviceIo : public I2CDeviceIo
{
public:
    int open(const QString& path) override
    {
        return ::open(path.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    }
    int setSlaveAddress(int fd, int address) override { return ::ioctl(fd, I2C_SLAVE, address); }
    ssize_t write(int fd, const void* data, size_t size) override { return ::write(fd, data, size); }
    ssize_t read(int fd, void* data, size_t size) override { return ::read(fd, data, size); }
    void close(int fd) override { ::close(fd); }
};

} // namespace

std::shared_ptr<I2CDeviceIo> I2CDeviceIo::system()
{
    static const std::shared_ptr<I2CDeviceIo> io = std::make_shared<SystemI2CDeviceIo>();
    return io;
}
