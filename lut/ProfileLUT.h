#pragma once

#include "lut/LUT.h"

#include <memory>

class KaldoDisplayProfile;

// A video-card LUT that goes through the display's ICC profile: the table is written into
// the profile's 'vcgt' tag and the profile made the display's profile. Activations read
// back what the target holds and skip the upload when nothing would change.
class ProfileLUT : public LUT
{
    Q_OBJECT
public:
    explicit ProfileLUT(QObject* parent = nullptr);
    ~ProfileLUT() override;

    // Uses `profile`, which stays the caller's.
    void attachProfile(KaldoDisplayProfile* profile);
    // Uses the display's current profile when it lies in the colour directory, else a profile
    // of the display's own there (made when it has none yet); owned by this object. A
    // profile from elsewhere (the system's sRGB) is never written.
    void attachCurrentProfile(int displayId, const QString& deviceName);
    bool isProfileAttached() const { return m_profile != nullptr; }
    bool insertLUTtoProfile(const luts_t& table);
    bool DownloadProfileLUT(luts_t& table);
    bool ActivateOnlyIfDiffers(const luts_t& table);

    bool Activate(const luts_t& table) override;
    bool Deactivate() override;
    bool DownloadLUT(luts_t& table) override;
    bool RealUploadLUT(const luts_t& table) override;
    bool isSystemLut() override { return true; }

private:
    std::unique_ptr<KaldoDisplayProfile> m_ownedProfile;
    KaldoDisplayProfile* m_profile = nullptr;
};
