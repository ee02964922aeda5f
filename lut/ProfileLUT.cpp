#include "lut/ProfileLUT.h"

#include "displays/CurrentDisplays.h"
#include "lut/KaldoDisplayProfile.h"
#include "platform/OSProfile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

// How long the card shows the linear table before a forced activation loads the real one,
// so the change is visible to the user and to any sensor watching the screen.
constexpr int FORCED_CLEANUP_WAIT_MS = 5000;

} // namespace

ProfileLUT::ProfileLUT(QObject* parent) : LUT(parent)
{
    setGeometry(3, 256, 65535);
    setCommunicationInterface(DISPIFACE_VIDEOCARD);
}

ProfileLUT::~ProfileLUT() = default;

void ProfileLUT::attachProfile(KaldoDisplayProfile* profile)
{
    m_ownedProfile.reset();
    m_profile = profile;
}

void ProfileLUT::attachCurrentProfile(int displayId, const QString& deviceName)
{
    // The display on that output now: model and serial name its profile.
    DisplayInfo info;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        if (CurrentDisplays::Display(i).deviceName() == deviceName)
            info = CurrentDisplays::Display(i);
    }
    const QString serial = info.detectSerial().isEmpty() ? info.serial() : info.detectSerial();
    attachCurrentProfile(displayId, deviceName, info.name(), serial);
}

// Only this display's own profile (named after its model and serial) is ever written. A
// profile of ours made for another display, or one named after the connector, gives way
// to it untouched; a profile that is not ours (a measured one the user installed) stays
// the display's profile and is not written at all: the card alone gets the table.
void ProfileLUT::attachCurrentProfile(int displayId, const QString& deviceName, const QString& model,
                                      const QString& serial)
{
    m_ownedProfile.reset();
    m_profile = nullptr;
    const bool identified = !model.isEmpty() || !serial.isEmpty();
    const QString ownName = KaldoDisplayProfile::generateProfileName(
        displayId, identified ? model : QString(), identified ? serial : deviceName);
    const QString ourPrefix =
        KaldoDisplayProfile::generateProfileName(displayId, QString(), QString()).section('.', 0, 0);
    const QString current = OSProfile::currentDisplayProfile(deviceName);
    const QString currentName = QFileInfo(current).fileName();
    std::unique_ptr<KaldoDisplayProfile> profile;
    if (!current.isEmpty() && currentName == ownName) {
        profile = std::make_unique<KaldoDisplayProfile>(current, deviceName, displayId, QString());
        if (!profile->isLoaded()) {
            qDebug() << "ProfileLUT::attachCurrentProfile: current profile unreadable, not used:" << current;
            profile.reset();
        }
    } else if (!current.isEmpty() && !currentName.startsWith(ourPrefix) &&
               QFileInfo(current) != QFileInfo(OSProfile::standardProfile())) {
        qDebug() << "ProfileLUT::attachCurrentProfile display" << displayId << deviceName
                 << "keeps its profile" << current << "- not ours, so it is not written";
        return;
    }
    if (!profile)
        profile = std::make_unique<KaldoDisplayProfile>(QDir(OSProfile::profilepath()).filePath(ownName),
                                                        deviceName, displayId, QString());
    profile->setDevice(deviceName, QString());
    qDebug() << "ProfileLUT::attachCurrentProfile" << displayId << deviceName << profile->fileName()
             << "loaded:" << profile->isLoaded();
    m_ownedProfile = std::move(profile);
    m_profile = m_ownedProfile.get();
}

bool ProfileLUT::insertLUTtoProfile(const luts_t& table)
{
    return m_profile && m_profile->InsertLUT(table);
}

bool ProfileLUT::DownloadProfileLUT(luts_t& table)
{
    table.clear();
    if (!m_profile)
        return false;
    KaldoDisplayProfile::LutValues vcgt;
    if (m_profile->ReadLUT(vcgt)) {
        for (const auto& channel : vcgt)
            table.push_back(channel);
    }
    return true;
}

bool ProfileLUT::ActivateOnlyIfDiffers(const luts_t& table)
{
    luts_t gc;
    DownloadLUT(gc);
    luts_t profile;
    DownloadProfileLUT(profile);
    if (isForced()) {
        qDebug() << "force LUT activation";
    } else if (isProfileAttached() && !profile.empty() && isLutsSame(table, gc) &&
               isLutsSame(table, profile)) {
        qDebug() << "same GC and profile LUTs - skip activation";
        setOk(true);
        return true;
    } else if (!isProfileAttached() && isLutsSame(table, gc)) {
        qDebug() << "same GC LUT - skip activation";
        setOk(true);
        return true;
    } else if (changedBehindOurBack(table, gc)) {
        qWarning().noquote()
            << describeTarget() + ": the ramp had been changed by another program; restoring the calibration";
    }
    clearForce();
    return UploadLUT(table);
}

bool ProfileLUT::Activate(const luts_t& table)
{
    if (isForced()) {
        qDebug() << "clean-up graphics-card LUT for force LUT activation";
        // Only a driver that drops a repeated identical ramp needs to be shown another
        // table first; elsewhere the linear pause would just uncalibrate the screen.
        if (needsLinearCleanup()) {
            Initialize(true);
            wait(FORCED_CLEANUP_WAIT_MS);
        } else {
            qDebug().noquote() << describeTarget() + ": the table is written directly, no linear pause";
        }
    }
    return ActivateOnlyIfDiffers(table);
}

bool ProfileLUT::needsLinearCleanup()
{
    return true;
}

QString ProfileLUT::describeTarget() const
{
    return QStringLiteral("profile LUT");
}

// What this object loaded last is the table asked for again, yet the target holds
// something else: another program wrote it.
bool ProfileLUT::changedBehindOurBack(const luts_t& table, const luts_t& target)
{
    luts_t current;
    GetCurrentLUT(current);
    return !current.empty() && !target.empty() && isLutsSame(current, table) && !isLutsSame(target, table);
}

bool ProfileLUT::Deactivate()
{
    luts_t linear;
    GetInitialization(linear);
    return ActivateOnlyIfDiffers(linear);
}

// The profile is this LUT's target, so what it holds is what is loaded.
bool ProfileLUT::DownloadLUT(luts_t& table)
{
    DownloadProfileLUT(table);
    setOk(!table.empty());
    return ok();
}

bool ProfileLUT::RealUploadLUT(const luts_t& table)
{
    if (!m_profile) {
        qDebug() << "ProfileLUT. Failed - no profile";
        return false;
    }
    if (!m_profile->ResetSystemProfile()) {
        qDebug() << "ProfileLUT. Failed to reset profile";
        return false;
    }
    if (!insertLUTtoProfile(table)) {
        qDebug() << "ProfileLUT. Failed to insert lut";
        return false;
    }
    if (!m_profile->ApplyProfile()) {
        qDebug() << "ProfileLUT. Failed to apply profile";
        return false;
    }
    return true;
}
