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
    // Uses the display's own profile, named after its model and serial (of the display the
    // current display list has on that output), made in the colour directory when missing;
    // owned by this object. When
    // the display's current profile is not one of ours, none is attached.
    void attachCurrentProfile(int displayId, const QString& deviceName);
    void attachCurrentProfile(int displayId, const QString& deviceName, const QString& model,
                              const QString& serial);
    bool isProfileAttached() const { return m_profile != nullptr; }
    bool insertLUTtoProfile(const luts_t& table);
    bool DownloadProfileLUT(luts_t& table);
    bool ActivateOnlyIfDiffers(const luts_t& table);

    bool Activate(const luts_t& table) override;
    bool Deactivate() override;
    bool DownloadLUT(luts_t& table) override;
    bool RealUploadLUT(const luts_t& table) override;
    bool isSystemLut() override { return true; }

protected:
    // Whether a forced activation first loads the linear table and pauses, for targets
    // that ignore a repeated identical table.
    virtual bool needsLinearCleanup();
    // Names the display or output in log lines.
    virtual QString describeTarget() const;

private:
    bool changedBehindOurBack(const luts_t& table, const luts_t& target);

    std::unique_ptr<KaldoDisplayProfile> m_ownedProfile;
    KaldoDisplayProfile* m_profile = nullptr;
};
