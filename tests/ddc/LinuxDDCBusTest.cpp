#include "platform/linux/LinuxDDCBus.h"

#include "platform/linux/I2CDeviceIo.h"
#include "platform/linux/LinuxDDCBuses.h"
#include "tests/support/TestPaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>

namespace {

// Below the system calls: records what the bus would be sent and answers from a queue.
class RecordingI2C : public I2CDeviceIo
{
public:
    int openErrno = 0;
    QString openedPath;
    std::vector<int> addresses;
    std::vector<QByteArray> written;
    std::deque<QByteArray> replies;
    int failWritesWith = 0;
    int closed = 0;

    int open(const QString& path) override
    {
        openedPath = path;
        if (openErrno != 0) {
            errno = openErrno;
            return -1;
        }
        return 7;
    }
    int setSlaveAddress(int, int address) override
    {
        addresses.push_back(address);
        return 0;
    }
    ssize_t write(int, const void* data, size_t size) override
    {
        if (failWritesWith != 0) {
            errno = failWritesWith;
            return -1;
        }
        written.emplace_back(static_cast<const char*>(data), static_cast<qsizetype>(size));
        return static_cast<ssize_t>(size);
    }
    ssize_t read(int, void* data, size_t size) override
    {
        if (replies.empty()) {
            errno = ENXIO;
            return -1;
        }
        const QByteArray reply = replies.front().left(static_cast<qsizetype>(size));
        replies.pop_front();
        std::memcpy(data, reply.constData(), static_cast<size_t>(reply.size()));
        return reply.size();
    }
    void close(int) override { ++closed; }
};

// A DRM sysfs tree: card0-HDMI-A-1 names its bus by a "ddc" link, card0-DP-1 by an i2c child.
QString fakeSysfs()
{
    const QString root = TestPaths::freshFolder(QStringLiteral("drm"));
    QDir dir(root);
    dir.mkpath(QStringLiteral("i2c-devices/i2c-5"));
    dir.mkpath(QStringLiteral("card0-HDMI-A-1"));
    QFile::link(root + QStringLiteral("/i2c-devices/i2c-5"), root + QStringLiteral("/card0-HDMI-A-1/ddc"));
    dir.mkpath(QStringLiteral("card0-DP-1/i2c-9"));
    dir.mkpath(QStringLiteral("card0-eDP-1"));
    return root;
}

} // namespace

TEST(LinuxDDCBusTest, ConnectorsFindTheirBusThroughDrmSysfs)
{
    const auto io = std::make_shared<RecordingI2C>();
    const LinuxDDCBuses buses(fakeSysfs(), QStringLiteral("/dev"), io);
    EXPECT_EQ(buses.busNumber(QStringLiteral("HDMI-1")), 5);
    EXPECT_EQ(buses.busNumber(QStringLiteral("HDMI-A-1")), 5);
    EXPECT_EQ(buses.busNumber(QStringLiteral("DP-1")), 9);
    EXPECT_EQ(buses.busNumber(QStringLiteral("DisplayPort-0")), 9);
    EXPECT_EQ(buses.busNumber(QStringLiteral("eDP-1")), -1);
    QString error;
    EXPECT_EQ(buses.open(QStringLiteral("VGA-1"), &error), nullptr);
    EXPECT_TRUE(error.contains("no DDC bus")) << error.toStdString();
}

TEST(LinuxDDCBusTest, TransfersGoToAddress37AsWholeMessages)
{
    const auto io = std::make_shared<RecordingI2C>();
    const LinuxDDCBuses buses(fakeSysfs(), QStringLiteral("/dev"), io);
    QString error;
    {
        std::unique_ptr<DDCBus> bus = buses.open(QStringLiteral("DP-1"), &error);
        ASSERT_NE(bus, nullptr) << error.toStdString();
        EXPECT_EQ(io->openedPath, "/dev/i2c-9");
        const QByteArray request = QByteArray::fromHex("51820110ac");
        ASSERT_TRUE(bus->write(0x37, request, &error));
        io->replies.push_back(QByteArray::fromHex("6e880200100000640032"));
        QByteArray reply;
        ASSERT_TRUE(bus->read(0x37, 11, reply, &error));
        EXPECT_EQ(reply.toHex(), "6e880200100000640032");
        EXPECT_FALSE(bus->read(0x37, 11, reply, &error)) << "nothing answers";
        EXPECT_TRUE(error.contains("read")) << error.toStdString();
        ASSERT_EQ(io->written.size(), 1u);
        EXPECT_EQ(io->written[0], request);
        // The slave address is set once, not before every transfer.
        EXPECT_EQ(io->addresses, std::vector<int>{0x37});
        io->failWritesWith = EIO;
        EXPECT_FALSE(bus->write(0x37, request, &error));
    }
    EXPECT_EQ(io->closed, 1);
}

TEST(LinuxDDCBusTest, MissingModuleAndPermissionsSayWhatToDo)
{
    const auto io = std::make_shared<RecordingI2C>();
    const LinuxDDCBuses buses(fakeSysfs(), QStringLiteral("/dev"), io);
    QString error;
    io->openErrno = ENOENT;
    EXPECT_EQ(buses.open(QStringLiteral("HDMI-1"), &error), nullptr);
    EXPECT_TRUE(error.contains("i2c-dev")) << error.toStdString();
    io->openErrno = EACCES;
    EXPECT_EQ(buses.open(QStringLiteral("HDMI-1"), &error), nullptr);
    EXPECT_TRUE(error.contains("i2c")) << error.toStdString();
    EXPECT_TRUE(error.contains("group")) << error.toStdString();
}
