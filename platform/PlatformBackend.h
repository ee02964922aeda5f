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
    // The serial ports a display or an instrument may answer on, by the system's names and
    // the numbers instruments are remembered with.
    virtual const SerialPorts& serialPortEnumeration() const = 0;
    // The session's screen saver and the system's idle sleep.
    virtual const ScreenSaver& screenSaver() const = 0;
};
