#pragma once

#include "lut/DisplayIface.h"

#include <QMutex>
#include <QObject>

#include <map>
#include <memory>

class BaseDisplay;

// What the agent knows of one attached display between LUT loads.
struct DisplayState
{
    // Shared so that a load in progress keeps its object alive while another thread
    // re-detects the display or clears the list.
    std::shared_ptr<BaseDisplay> display;
    bool calibrated = false;
    // The interface the object was detected with; DISPIFACE_NONE before the first detection.
    displayiface_t interface = DISPIFACE_NONE;
    bool blockedByAmbient = false;
};

// The process-wide registry of display objects, one per display id, with each display's
// calibration state. Every member is safe to call from any thread: the map has its own
// lock, and detection is serialised process-wide so two threads never probe at once.
// Display objects are never destroyed under the map's lock.
class DisplayList : public QObject
{
    Q_OBJECT
public:
    using Map = std::map<int, DisplayState>;

    // The map held locked for iteration; keep it short-lived and call no DisplayList
    // member while it exists.
    class Locked
    {
    public:
        Map::iterator GetFirstDisplayIt() { return m_map.begin(); }
        Map::iterator GetEndDisplayIt() { return m_map.end(); }
        Map::iterator begin() { return m_map.begin(); }
        Map::iterator end() { return m_map.end(); }

    private:
        friend class DisplayList;
        Locked(QMutex& mutex, Map& map) : m_lock(&mutex), m_map(map) {}
        QMutexLocker<QMutex> m_lock;
        Map& m_map;
    };

    // Created on first use, lives until the process ends.
    static DisplayList& instance();

    std::shared_ptr<BaseDisplay> GetDisplayInstanceById(int id);
    bool isDisplayCalibrated(int id);
    void SetDisplayCalibrated(int id, bool calibrated);
    bool isDisplayBlockedByAmbient(int id);
    void setDisplayBlockedByAmbient(int id, bool blocked);
    // Asks the display object; a display without one counts as warmed up.
    bool isDisplayWarmed(int id);
    displayiface_t displayInterface(int id);

    // Detects the display anew with `iface` and stores the object and the interface in its state.
    void detectDisplay(int id, displayiface_t iface);
    // Re-detects the display when it has no object or its object was made for another interface.
    void updateDisplayIfNeeded(int id, displayiface_t iface);
    // Detects the display with its stored LUT interface and prepares the new object's LUT.
    void addDisplay(int id);
    // Lets go of every display object and its transport; a display held back by the room light
    // stays held back.
    void clearDisplays();

    Locked lockedDisplays();
    // Copies of the display objects, for work done without holding the lock.
    std::map<int, std::shared_ptr<BaseDisplay>> displayObjects();

private:
    DisplayList() = default;

    // Runs `change` on the display's state (made fresh when absent) under the lock.
    template <typename Change> void withState(int id, Change change);
    void store(int id, std::shared_ptr<BaseDisplay> display, displayiface_t iface);
    static void recordCapabilities(int id, BaseDisplay& display);
    static void prepareLUT(int id, BaseDisplay& display);

    QMutex m_mutex;
    Map m_displays;
};
