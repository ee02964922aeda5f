#pragma once

#include "platform/DisplayColorProfiles.h"

#include <QMutex>

#include <optional>

class SimWorkstation;

// Each simulated display output has one profile slot. A display's starting profile
// is the "profile" key of its workstation entry; associating copies the file into
// the simulated colour directory, as an installation would. The slots are kept in a
// file of the colour directory, so every process of the session (the agent,
// lutloaderctl) sees the same association, as with a real system's.
class SimDisplayColorProfiles : public DisplayColorProfiles
{
public:
    SimDisplayColorProfiles(const SimWorkstation& workstation, QString colorDirectory);

    QString colorDirectory() const override;
    QString currentProfile(const QString& deviceName, const QString& deviceId) const override;
    bool associate(const QString& profilePath, const QString& deviceName,
                   const QString& deviceId) const override;
    bool associateStandard(const QString& deviceName, const QString& deviceId) const override;
    QString standardProfile() const override { return {}; }
    Error lastError() const override;

private:
    bool checkOutput(const QString& output) const;
    void fail(int code, const QString& text) const;
    QString slotsFile() const;
    // Path of the output's slot; nullopt when this session never changed it.
    std::optional<QString> readSlot(const QString& output) const;
    void writeSlot(const QString& output, const QString& path) const;

    const SimWorkstation& m_workstation;
    const QString m_colorDirectory;
    mutable QMutex m_mutex;
    mutable Error m_lastError;
};
