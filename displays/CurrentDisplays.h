#pragma once

#include "displays/DisplayEnumerator.h"

#include <QString>

#include <map>

// The process-wide view of the attached displays that the rest of the agent reads: one cached
// enumeration, the display id of each entry (index i has id DisplayId(i)), and per display id the
// flags other components set (built-in and ambient sensors, sensor correlation, calibration progress).
// Enumeration and flags are changed on the thread that handles display changes; a lock keeps each
// call whole. Displays are handed out as copies: a refresh on another thread replaces the list.
class CurrentDisplays
{
public:
    CurrentDisplays() = delete;

    static void Refresh();
    static void NonCachedRefresh();
    static bool IsDisplaysChanged();
    static void RefreshDisplaysGeometry();

    static unsigned DisplayCount();
    static int DisplayId(unsigned index);
    static void SetDisplayId(unsigned index, int id);
    static DisplayInfo Display(unsigned index);
    // The display with that id (enumerating first if never done); an empty DisplayInfo when none has it.
    static DisplayInfo DisplayById(int id);
    static bool IsDisplayConnected(int id);
    static int displayIdByCoordinates(int x, int y);

    static void RemoveDisplayByIndex(unsigned index);
    static void AddDisplay(int id, const DisplayInfo& display);
    static void Clear();

    static void setDisplaySerial(int id, QString serial);
    // The serial the database keeps for the display at `index` (not a serial the user set here).
    static void setStoredSerial(unsigned index, const QString& serial);
    static void setDisplayName(int id, QString name);
    static std::map<int, QString> currentUserSerials();
    static void restoreUserSerials(std::map<int, QString> serials);

    static QString GetVideoCardName(int id);
    static QString GetVideoCardKey(int id);

    static void setInternalSensor(int id, bool present);
    static bool internalSensor(int id);
    static void setAmbientSensor(int id, bool present);
    static bool ambientSensor(int id);
    static void setSensorCorrelationSupport(int id, bool supported);
    static bool sensorCorrelationSupport(int id);
    static void clearInternalSensorForAll();
    static void setDisplayCalibrationPathInPercents(int id, int percent);
    static int displayCalibrationPathInPercents(int id);
};
