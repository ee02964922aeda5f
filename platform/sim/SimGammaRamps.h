#pragma once

#include "platform/GammaRamps.h"

#include <QHash>
#include <QMutex>

#include <optional>

class SimWorkstation;

// The simulated cards' gamma ramps: one ramp per connected output, of its card's
// `rampSize` entries, linear until written. Like a real card's, a ramp outlives the
// process that wrote it: each write is kept in the session's state folder, so the
// agent and lutloaderctl see the same card. Faults come from the display's
// "gammaRamp" object: "refuse" (the ramp cannot be opened), "failWrites" (that many
// writes fail before one succeeds), "failReads" (every read fails) and
// "ignoresRepeatedRamp" (a driver that needs another table in between to take a forced
// reload of the same one, as Windows drivers do).
class SimGammaRamps : public GammaRamps
{
public:
    SimGammaRamps(const SimWorkstation& workstation, QString stateDirectory);

    std::unique_ptr<GammaRampDevice> open(const QString& output, QString* error = nullptr) const override;
    QStringList outputs() const override;

    // What the simulated hardware saw, for the sim control and for tests.
    int writeCount(const QString& output) const;
    QString stateDirectory() const { return m_stateDirectory; }

    // Used by the devices this object opens.
    bool load(const QString& output, int size, GammaRamp& ramp, QString* error) const;
    bool store(const QString& output, const GammaRamp& ramp, QString* error) const;

private:
    GammaRamp currentRamp(const QString& output, int size) const; // call with m_mutex held
    QString stateFile(const QString& output) const;
    static GammaRamp linearRamp(int size);
    std::optional<GammaRamp> readStateFile(const QString& output, int size) const;
    void writeStateFile(const QString& output, const GammaRamp& ramp) const;

    const SimWorkstation& m_workstation;
    const QString m_stateDirectory;
    mutable QMutex m_mutex;
    mutable QHash<QString, GammaRamp> m_ramps;
    mutable QHash<QString, int> m_writes;
    mutable QHash<QString, int> m_failedWrites;
};
