#pragma once

#include "platform/DisplayColorProfiles.h"

#include <QHash>
#include <QMutex>

class SimWorkstation;

// Each simulated display output has one profile slot. A display's starting profile
// is the "profile" key of its workstation entry; associating copies the file into
// the simulated colour directory, as an installation would.
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

    const SimWorkstation& m_workstation;
    const QString m_colorDirectory;
    mutable QMutex m_mutex;
    mutable QHash<QString, QString> m_slots; // output -> profile path, once changed here
    mutable Error m_lastError;
};
