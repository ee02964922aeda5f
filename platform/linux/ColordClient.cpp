#include "platform/linux/ColordClient.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDebug>
#include <QFile>
#include <QMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ColorManager");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.ColorManager.Device");
const QString kProfileInterface = QStringLiteral("org.freedesktop.ColorManager.Profile");
constexpr int kTimeoutMs = 3000;

// colord's CreateDevice and CreateProfile take their properties as string to string.
using StringMap = QMap<QString, QString>;

std::unique_ptr<QDBusInterface> object(const QString& path, const QString& interface)
{
    auto result = std::make_unique<QDBusInterface>(kService, path, interface, QDBusConnection::systemBus());
    result->setTimeout(kTimeoutMs);
    return result;
}

std::unique_ptr<QDBusInterface> manager()
{
    qDBusRegisterMetaType<StringMap>();
    return object(QStringLiteral("/org/freedesktop/ColorManager"), kService);
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString fileMd5(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

bool ColordClient::available()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
}

QString ColordClient::deviceId(const QString& outputName)
{
    return QStringLiteral("xrandr-") + outputName;
}

QString ColordClient::edidMd5(const QByteArray& edid)
{
    return edid.isEmpty()
               ? QString()
               : QString::fromLatin1(QCryptographicHash::hash(edid, QCryptographicHash::Md5).toHex());
}

QString ColordClient::device(const Device& display, QString* error)
{
    const auto colord = manager();
    const QDBusReply<QDBusObjectPath> found = colord->call(QStringLiteral("FindDeviceByProperty"),
                                                           QStringLiteral("XRANDR_name"), display.outputName);
    if (found.isValid())
        return found.value().path();
    // No desktop made one: the agent does, for this session ("normal" lives until colord ends).
    StringMap properties{{QStringLiteral("Kind"), QStringLiteral("display")},
                         {QStringLiteral("Mode"), QStringLiteral("physical")},
                         {QStringLiteral("Colorspace"), QStringLiteral("rgb")},
                         {QStringLiteral("XRANDR_name"), display.outputName}};
    if (!display.edid.isEmpty())
        properties.insert(QStringLiteral("OutputEdidMd5"), edidMd5(display.edid));
    const QDBusReply<QDBusObjectPath> created =
        colord->call(QStringLiteral("CreateDevice"), deviceId(display.outputName), QStringLiteral("normal"),
                     QVariant::fromValue(properties));
    if (created.isValid()) {
        qDebug() << "ColordClient: created device" << deviceId(display.outputName) << created.value().path();
        return created.value().path();
    }
    setError(error, created.error().message());
    return {};
}

QString ColordClient::profile(const QString& profilePath, const Device& display, QString* error)
{
    const auto colord = manager();
    const QDBusReply<QDBusObjectPath> found =
        colord->call(QStringLiteral("FindProfileByFilename"), profilePath);
    if (found.isValid())
        return found.value().path();
    const QString md5 = fileMd5(profilePath);
    if (md5.isEmpty()) {
        setError(error, QStringLiteral("can't read %1").arg(profilePath));
        return {};
    }
    StringMap properties{{QStringLiteral("Filename"), profilePath},
                         {QStringLiteral("DATA_source"), QStringLiteral("calib")},
                         {QStringLiteral("MAPPING_device_id"), deviceId(display.outputName)}};
    if (!display.edid.isEmpty())
        properties.insert(QStringLiteral("EDID_md5"), edidMd5(display.edid));
    const QString id = QStringLiteral("icc-") + md5;
    // Handing over the open file lets colord, which runs as its own user, read a profile in
    // the user's home; an older colord without that call gets the file name only.
    QFile file(profilePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QDBusReply<QDBusObjectPath> created = colord->call(
            QStringLiteral("CreateProfileWithFd"), id, QStringLiteral("normal"),
            QVariant::fromValue(QDBusUnixFileDescriptor(file.handle())), QVariant::fromValue(properties));
        if (created.isValid())
            return created.value().path();
        // Only a colord without the call gets the file name instead; a refused file stays refused,
        // unless the same content is registered already under the id.
        if (created.error().type() != QDBusError::UnknownMethod) {
            // colord keeps the object of a file it then fails to read, so an existing id counts
            // only when colord says that was the reason.
            if (created.error().name().endsWith(QLatin1String(".AlreadyExists"))) {
                const QDBusReply<QDBusObjectPath> byId = colord->call(QStringLiteral("FindProfileById"), id);
                if (byId.isValid())
                    return byId.value().path();
            }
            setError(error, created.error().message());
            return {};
        }
    }
    const QDBusReply<QDBusObjectPath> created = colord->call(
        QStringLiteral("CreateProfile"), id, QStringLiteral("normal"), QVariant::fromValue(properties));
    if (created.isValid())
        return created.value().path();
    // An id already taken (the same content under another name) still names the profile.
    const QDBusReply<QDBusObjectPath> byId = colord->call(QStringLiteral("FindProfileById"), id);
    if (byId.isValid())
        return byId.value().path();
    setError(error, created.error().message());
    return {};
}

bool ColordClient::makeDefault(const QString& profilePath, const Device& display, QString* error)
{
    const QString devicePath = device(display, error);
    if (devicePath.isEmpty())
        return false;
    const QString profilePathOnBus = profile(profilePath, display, error);
    if (profilePathOnBus.isEmpty())
        return false;
    const auto deviceObject = object(devicePath, kDeviceInterface);
    // "hard" marks an explicit choice of the user; adding a profile the device has already fails harmlessly.
    deviceObject->call(QStringLiteral("AddProfile"), QStringLiteral("hard"),
                       QVariant::fromValue(QDBusObjectPath(profilePathOnBus)));
    const QDBusMessage reply = deviceObject->call(QStringLiteral("MakeProfileDefault"),
                                                  QVariant::fromValue(QDBusObjectPath(profilePathOnBus)));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        setError(error, reply.errorMessage());
        return false;
    }
    return true;
}

QString ColordClient::defaultProfile(const QString& outputName)
{
    const QDBusReply<QDBusObjectPath> device =
        manager()->call(QStringLiteral("FindDeviceByProperty"), QStringLiteral("XRANDR_name"), outputName);
    if (!device.isValid())
        return {};
    const QVariant profiles = object(device.value().path(), kDeviceInterface)->property("Profiles");
    const auto list = qdbus_cast<QList<QDBusObjectPath>>(profiles);
    if (list.isEmpty())
        return {};
    return object(list.first().path(), kProfileInterface)->property("Filename").toString();
}
