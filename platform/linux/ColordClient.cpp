#include "platform/linux/ColordClient.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ColorManager");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.ColorManager.Device");
const QString kProfileInterface = QStringLiteral("org.freedesktop.ColorManager.Profile");
constexpr int kTimeoutMs = 3000;

std::unique_ptr<QDBusInterface> object(const QString& path, const QString& interface)
{
    auto result = std::make_unique<QDBusInterface>(kService, path, interface, QDBusConnection::systemBus());
    result->setTimeout(kTimeoutMs);
    return result;
}

std::unique_ptr<QDBusInterface> manager()
{
    return object(QStringLiteral("/org/freedesktop/ColorManager"), kService);
}

QString deviceOf(const QString& outputName, QString* error)
{
    const QDBusReply<QDBusObjectPath> device =
        manager()->call(QStringLiteral("FindDeviceByProperty"), QStringLiteral("XRANDR_name"), outputName);
    if (device.isValid())
        return device.value().path();
    if (error)
        *error = device.error().message();
    return {};
}

QString profileOf(const QString& profilePath, QString* error)
{
    const auto colord = manager();
    const QDBusReply<QDBusObjectPath> found =
        colord->call(QStringLiteral("FindProfileByFilename"), profilePath);
    if (found.isValid())
        return found.value().path();
    const QVariantMap properties{{QStringLiteral("Filename"), profilePath}};
    const QDBusReply<QDBusObjectPath> created = colord->call(
        QStringLiteral("CreateProfile"), QStringLiteral("icc-") + QFileInfo(profilePath).baseName(),
        QStringLiteral("temp"), properties);
    if (created.isValid())
        return created.value().path();
    if (error)
        *error = created.error().message();
    return {};
}

} // namespace

bool ColordClient::available()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
}

bool ColordClient::makeDefault(const QString& profilePath, const QString& outputName, QString* error)
{
    const QString device = deviceOf(outputName, error);
    if (device.isEmpty())
        return false;
    const QString profile = profileOf(profilePath, error);
    if (profile.isEmpty())
        return false;
    const auto deviceObject = object(device, kDeviceInterface);
    // "hard" marks an explicit choice of the user; adding a profile the device has already fails harmlessly.
    deviceObject->call(QStringLiteral("AddProfile"), QStringLiteral("hard"),
                       QVariant::fromValue(QDBusObjectPath(profile)));
    const QDBusMessage reply = deviceObject->call(QStringLiteral("MakeProfileDefault"),
                                                  QVariant::fromValue(QDBusObjectPath(profile)));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (error)
            *error = reply.errorMessage();
        return false;
    }
    return true;
}

QString ColordClient::defaultProfile(const QString& outputName)
{
    const QString device = deviceOf(outputName, nullptr);
    if (device.isEmpty())
        return {};
    const QVariant profiles = object(device, kDeviceInterface)->property("Profiles");
    const auto list = qdbus_cast<QList<QDBusObjectPath>>(profiles);
    if (list.isEmpty())
        return {};
    return object(list.first().path(), kProfileInterface)->property("Filename").toString();
}
