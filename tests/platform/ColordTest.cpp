#include "platform/linux/ColordClient.h"
#include "platform/linux/LinuxDisplayColorProfiles.h"
#include "tests/support/TestPaths.h"

#include <QCryptographicHash>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>
#include <lcms2.h>

namespace {

using StringMap = QMap<QString, QString>;

// A real colord on a private bus that stands in for the system bus. colord keeps its
// databases in /var/lib/colord; it runs in a mount namespace of its own with an empty tmpfs
// there, so the machine's colour database is never touched.
class PrivateColord
{
public:
    PrivateColord()
    {
        const QString colord = QStringLiteral("/usr/libexec/colord");
        if (!QFile::exists(colord)) {
            m_error = "colord is not installed";
            return;
        }
        const QString folder = TestPaths::freshFolder("colord");
        const QString socket = folder + "/system_bus_socket";
        QFile config(folder + "/bus.conf");
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig><type>system</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>"
                "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n")
                .arg(socket)
                .toUtf8());
        config.close();
        m_bus.start(QStringLiteral("dbus-daemon"), {"--nofork", "--config-file=" + config.fileName()});
        if (!m_bus.waitForStarted()) {
            m_error = "dbus-daemon does not start";
            return;
        }
        for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
            QTest::qWait(50);
        m_address = "unix:path=" + socket;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", m_address);
        m_colord.setProcessEnvironment(environment);
        m_colord.setProcessChannelMode(QProcess::MergedChannels);
        m_colord.start(QStringLiteral("unshare"), {"--mount", "--", "sh", "-c",
                                                   "mount -t tmpfs tmpfs /var/lib/colord && exec " + colord});
        if (!m_colord.waitForStarted()) {
            m_error = "unshare does not start";
            return;
        }
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toLatin1());
        for (int i = 0; i < 200 && m_colord.state() == QProcess::Running; ++i) {
            if (ColordClient::available())
                return;
            QTest::qWait(50);
        }
        m_error = "colord did not come up on the private bus: " + QString::fromLocal8Bit(m_colord.readAll());
    }
    ~PrivateColord()
    {
        for (QProcess* process : {&m_colord, &m_bus}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
    }
    QString error() const { return m_error; }

private:
    QProcess m_bus;
    QProcess m_colord;
    QString m_address;
    QString m_error;
};

PrivateColord* g_colord = nullptr;

QVariant colordProperty(const QString& path, const QString& interface, const char* name)
{
    QDBusInterface object("org.freedesktop.ColorManager", path, interface, QDBusConnection::systemBus());
    return object.property(name);
}

QString findDevice(const QString& output)
{
    QDBusInterface manager("org.freedesktop.ColorManager", "/org/freedesktop/ColorManager",
                           "org.freedesktop.ColorManager", QDBusConnection::systemBus());
    const QDBusReply<QDBusObjectPath> device =
        manager.call("FindDeviceByProperty", QStringLiteral("XRANDR_name"), output);
    return device.isValid() ? device.value().path() : QString();
}

StringMap metadata(const QString& path, const QString& interface)
{
    QDBusMessage get = QDBusMessage::createMethodCall("org.freedesktop.ColorManager", path,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << interface << QStringLiteral("Metadata");
    const QDBusReply<QDBusVariant> reply = QDBusConnection::systemBus().call(get);
    StringMap result;
    if (reply.isValid())
        reply.value().variant().value<QDBusArgument>() >> result;
    return result;
}

// A small display profile of its own (not one colord ships, which it knows already).
QString writeProfile(const QString& name, double gamma)
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsCIExyY white{0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    const QString path = TestPaths::freshFolder("profiles-" + name) + "/" + name + ".icc";
    cmsSaveProfileToFile(profile, QFile::encodeName(path).constData());
    cmsCloseProfile(profile);
    return path;
}

class ColordTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qDBusRegisterMetaType<StringMap>();
        g_colord = new PrivateColord;
    }
    static void TearDownTestSuite()
    {
        delete g_colord;
        g_colord = nullptr;
    }
    void SetUp() override
    {
        if (!g_colord->error().isEmpty()) {
            qWarning() << "colord tests skipped:" << g_colord->error();
            GTEST_SKIP() << g_colord->error().toStdString();
        }
    }
};

TEST_F(ColordTest, WithoutADesktopTheAgentMakesTheDeviceAndAssociatesItsProfile)
{
    ASSERT_TRUE(findDevice("DUMMY0").isEmpty());
    qunsetenv("DISPLAY");
    qputenv("XDG_DATA_HOME", TestPaths::freshFolder("data-home").toLocal8Bit());
    const LinuxDisplayColorProfiles profiles;
    const QString written = writeProfile("calibrated-dummy0", 2.2);
    ASSERT_TRUE(profiles.associate(written, "DUMMY0", "0"));

    const QString device = findDevice("DUMMY0");
    ASSERT_FALSE(device.isEmpty());
    EXPECT_EQ(colordProperty(device, "org.freedesktop.ColorManager.Device", "DeviceId").toString(),
              "xrandr-DUMMY0");
    const QString installed = profiles.colorDirectory() + "/calibrated-dummy0.icc";
    EXPECT_EQ(ColordClient::defaultProfile("DUMMY0"), installed);

    // Associating again (the next load) finds the same device and profile.
    ASSERT_TRUE(profiles.associate(written, "DUMMY0", "0"));
    EXPECT_EQ(findDevice("DUMMY0"), device);
    EXPECT_EQ(ColordClient::defaultProfile("DUMMY0"), installed);
}

TEST_F(ColordTest, TheDesktopsDeviceIsUsedAndTheProfileCarriesTheEdid)
{
    // A desktop made the device under its own id.
    QDBusInterface manager("org.freedesktop.ColorManager", "/org/freedesktop/ColorManager",
                           "org.freedesktop.ColorManager", QDBusConnection::systemBus());
    const StringMap properties{{"Kind", "display"}, {"XRANDR_name", "DUMMY1"}};
    const QDBusReply<QDBusObjectPath> desktopDevice =
        manager.call("CreateDevice", QStringLiteral("xrandr-Acme-Medical-123"), QStringLiteral("normal"),
                     QVariant::fromValue(properties));
    ASSERT_TRUE(desktopDevice.isValid()) << desktopDevice.error().message().toStdString();

    const QByteArray edid = QByteArray::fromHex("00ffffffffffff000469f1230101010101");
    const QString profile = writeProfile("calibrated-dummy1", 1.8);
    QString error;
    ASSERT_TRUE(ColordClient::makeDefault(profile, {"DUMMY1", edid}, &error)) << error.toStdString();
    EXPECT_EQ(findDevice("DUMMY1"), desktopDevice.value().path());
    EXPECT_EQ(ColordClient::defaultProfile("DUMMY1"), profile);

    const QDBusReply<QDBusObjectPath> registered = manager.call("FindProfileByFilename", profile);
    ASSERT_TRUE(registered.isValid());
    const StringMap meta = metadata(registered.value().path(), "org.freedesktop.ColorManager.Profile");
    EXPECT_EQ(meta.value("EDID_md5"), QCryptographicHash::hash(edid, QCryptographicHash::Md5).toHex());
    EXPECT_EQ(meta.value("MAPPING_device_id"), "xrandr-DUMMY1");
    const QString id =
        colordProperty(registered.value().path(), "org.freedesktop.ColorManager.Profile", "ProfileId")
            .toString();
    EXPECT_TRUE(id.startsWith("icc-")) << id.toStdString();

    // A file that is no profile is refused with colord's reason, nothing made default.
    QFile broken(TestPaths::freshFolder("broken") + "/broken.icc");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not an ICC profile");
    broken.close();
    EXPECT_FALSE(ColordClient::makeDefault(broken.fileName(), {"DUMMY1", edid}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ColordClient::defaultProfile("DUMMY1"), profile);
}

} // namespace
