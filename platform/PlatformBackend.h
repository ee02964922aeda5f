#pragma once

#include <QString>

#include <memory>
#include <vector>

class DDCBuses;
class DisplayColorProfiles;
class DisplayEnumeration;
class FilePermissions;
class GammaRamps;
class GlobalHotKeys;
class HidDevices;
class MatroxBoards;
class ProcessList;
class ScreenSaver;
class SessionEvents;
class SerialPorts;
class SessionIdentity;
class SystemLog;
class TerminationSignals;
class QObject;

// One operating system (or the simulated workstation) as the rest of the program
// sees it. Every OS service is reached through one of these interfaces.
class PlatformBackend
{
public:
    virtual ~PlatformBackend() = default;

    virtual QString name() const = 0;
    virtual const ProcessList& processList() const = 0;
    virtual const FilePermissions& filePermissions() const = 0;
    virtual const SessionIdentity& session() const = 0;
    // A new source of termination requests; only one should exist per process.
    virtual std::unique_ptr<TerminationSignals> createTerminationSignals(QObject* parent) const = 0;
    // Display ICC profiles: colour folder and association of a profile with a display.
    virtual const DisplayColorProfiles& displayColorProfiles() const = 0;
    // A new listener for session lock, display power, hot-plug and end-of-session
    // notifications; several may exist at once, each on the thread that created it.
    virtual std::unique_ptr<SessionEvents> createSessionEvents(QObject* parent) const = 0;
    // System-wide hot keys, made on the GUI thread.
    virtual std::unique_ptr<GlobalHotKeys> createGlobalHotKeys(QObject* parent) const = 0;
    // Video-card gamma ramps of the display outputs.
    virtual const GammaRamps& gammaRamps() const = 0;
    // The active display outputs with their EDIDs, desktop rectangles and video cards.
    virtual const DisplayEnumeration& displayEnumeration() const = 0;
    // The driver interface of Matrox boards; absent on most machines.
    virtual const MatroxBoards& matroxBoards() const = 0;
    // The DDC/CI buses of the display outputs.
    virtual const DDCBuses& ddcBuses() const = 0;
    // The system journal, for what must be said when the log file cannot be written.
    virtual const SystemLog& systemLog() const = 0;
    // The USB HID devices (sensors, display control channels).
    virtual const HidDevices& hidDevices() const = 0;
    // Serial ports by the index the program counts them with (a COM port number): the ones
    // worth probing for instruments, and the system's name of one (empty when unknown).
    virtual std::vector<int> serialPorts() const { return {}; }
    virtual QString serialPortName(int index) const
    {
#ifdef _WIN32
        return index >= 0 ? QStringLiteral("COM%1").arg(index) : QString();
#else
        return index >= 0 ? QStringLiteral("/dev/ttyS%1").arg(index) : QString();
#endif
    }
    // The serial ports a display may answer on, by the system's names.
    virtual const SerialPorts& serialPortEnumeration() const = 0;
    // The session's screen saver and the system's idle sleep.
    virtual const ScreenSaver& screenSaver() const = 0;
};
