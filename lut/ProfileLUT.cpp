#include "lut/ProfileLUT.h"

#include "lut/KaldoDisplayProfile.h"
#include "platform/OSProfile.h"

#include <QDebug>
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

// The display's current profile is taken when this suite made it (the main application's
// calibration profile, named like every profile of ours); a system or vendor profile is
// left as it is and the display gets a profile of its own.
void ProfileLUT::attachCurrentProfile(int displayId, const QString& deviceName)
{
    const QString current = OSProfile::currentDisplayProfile(deviceName);
    const QString ourPrefix =
        KaldoDisplayProfile::generateProfileName(displayId, QString(), QString()).section('.', 0, 0);
    std::unique_ptr<KaldoDisplayProfile> profile;
    if (!current.isEmpty() && QFileInfo(current).fileName().startsWith(ourPrefix)) {
        profile = std::make_unique<KaldoDisplayProfile>(current, deviceName, displayId, QString());
        if (!profile->isLoaded()) {
            qDebug() << "ProfileLUT::attachCurrentProfile: current profile unreadable, not used:" << current;
            profile.reset();
        }
    }
    if (!profile)
        profile = std::make_unique<KaldoDisplayProfile>(displayId, deviceName, QString(), QString());
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
    } else if (isProfileAttached() && !profile.empty()) {
        if (isLutsSame(table, gc) && isLutsSame(table, profile)) {
            qDebug() << "same GC and profile LUTs - skip activation";
            setOk(true);
            return true;
        }
    } else if (!isProfileAttached() && isLutsSame(table, gc)) {
        qDebug() << "same GC LUT - skip activation";
        setOk(true);
        return true;
    }
    clearForce();
    return UploadLUT(table);
}

bool ProfileLUT::Activate(const luts_t& table)
{
    if (isForced()) {
        qDebug() << "clean-up graphics-card LUT for force LUT activation";
        Initialize(true);
        wait(FORCED_CLEANUP_WAIT_MS);
    }
    return ActivateOnlyIfDiffers(table);
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
