#include "platform/OSProfile.h"

#include "platform/DisplayColorProfiles.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>
#include <QDir>

namespace {

const DisplayColorProfiles& profiles()
{
    return Platform::backend().displayColorProfiles();
}

} // namespace

QString OSProfile::profilepath()
{
    return profiles().colorDirectory();
}

QString OSProfile::currentDisplayProfile(const QString& deviceName, const QString& deviceId)
{
    return profiles().currentProfile(deviceName, deviceId);
}

bool OSProfile::ApplyProfile(const QString& profilePath, const QString& deviceName, const QString& deviceId)
{
    qDebug() << "ApplyProfile" << profilePath << deviceName << deviceId;
    const QString fixedPath = QDir::toNativeSeparators(profilePath);
    qDebug() << "ApplyProfile fixed filepath" << fixedPath;
    if (!profiles().associate(fixedPath, deviceName, deviceId)) {
        debugError();
        return false;
    }
    qDebug() << "ApplyProfile done successfully.";
    qDebug() << "after ApplyProfile -> current=" << currentDisplayProfile(deviceName, deviceId);
    return true;
}

bool OSProfile::ApplySystemProfile(const QString& deviceName, const QString& deviceId)
{
    qDebug() << "Apply System Profile" << deviceName << deviceId;
    const QString standard = standardProfile();
    if (!standard.isEmpty())
        return ApplyProfile(standard, deviceName, deviceId);
    // Without a file for the standard space, "no profile" is how the platform says sRGB.
    if (!profiles().associateStandard(deviceName, deviceId)) {
        debugError();
        return false;
    }
    return true;
}

QString OSProfile::standardProfile()
{
    return profiles().standardProfile();
}

void OSProfile::debugError()
{
    const DisplayColorProfiles::Error error = profiles().lastError();
    qDebug() << "?? Error code:" << error.code;
    qDebug() << "??Error:" << error.text;
}
