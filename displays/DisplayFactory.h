#pragma once

#include "displays/DisplayTypes.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

class BaseDisplay;
class LUT;

// Decides which class an attached display gets: runs the probe list of the requested
// interface, keeps the first class whose `connect()` succeeds, attaches the LUT object
// the display's calibration goes to, and caches the object per display id.
class DisplayFactory
{
public:
    // The class to build; 0 ends a probe list. Values without a class build nothing.
    enum displays_t : int
    {
        DISPLAY_END = 0,
        DISPLAY_BASE = 1,
        DISPLAY_DDCCI = 2,
        DISPLAY_NEC = 3,
        DISPLAY_DELL = 4,
        DISPLAY_OLORIN = 5,
        DISPLAY_DIVA = 6,
        DISPLAY_TAIWAN = 7,
        DISPLAY_USEI = 8,
        DISPLAY_LUMIMED = 9,
        DISPLAY_LG = 10,
        DISPLAY_UNKNOWN_11 = 11,
        DISPLAY_UNKNOWN_12 = 12,
        DISPLAY_UNKNOWN_13 = 13,
        DISPLAY_UNKNOWN_14 = 14,
        DISPLAY_UNKNOWN_15 = 15,
        DISPLAY_DELL_ULTRASHARP = 16,
        DISPLAY_SUPERSONIC = 17,
        DISPLAY_UNKNOWN_18 = 18,
        DISPLAY_SONY_PVM2551MD = 19,
        DISPLAY_SONY_PVM2551MD_NOFLAG = 20,
        DISPLAY_DELL_UNKNOWN = 21,
        DISPLAY_TOTOKU = 22,
        DISPLAY_BEACON = 23,
        DISPLAY_NEWDIVA = 24,
        DISPLAY_DIVA2 = 25,
        DISPLAY_DELL_MSTAR_UP = 26,
        DISPLAY_ADVANTECH_MULTILUT = 27,
        DISPLAY_ADVANTECH = 28,
        DISPLAY_GOOMEDI = 29,
        DISPLAY_WIDE_DDCCI = 30,
        DISPLAY_WIDE_USB = 31,
        DISPLAY_UNKNOWN_32 = 32,
        DISPLAY_DELL_UP3017 = 33,
        DISPLAY_GOOMEDI_MSA = 34,
        DISPLAY_LG_MEDICAL_UART = 35,
        DISPLAY_LG_MEDICAL_DDCCI = 36,
        DISPLAY_LG_MEDICAL_SOFTWARE = 37,
        DISPLAY_EIZO = 38,
        DISPLAY_DELL_UP2718Q = 39,
        DISPLAY_ARTECH_UART = 40,
        DISPLAY_ARTECH_DDCCI = 41,
    };

    // The probe lists, each ending with DISPLAY_END.
    static const displays_t SerialList[];
    static const displays_t USBList[];
    static const displays_t PowerList[];
    static const displays_t DDCCIList[];
    static const displays_t UsualList[];

    // Builds the object of `type` without probing; null ("unknown display type") for a
    // value without a class. The caller owns the result.
    static BaseDisplay* getInstance(int displayId, displays_t type, int port);
    static BaseDisplay* detectDisplayFromList(int displayId, int port, const displays_t* list);
    static BaseDisplay* detectDDCCIDisplay(int displayId);
    // Runs the detection on a detection thread while this thread keeps serving events.
    static BaseDisplay* detect(int displayId, displayiface_t iface, displayiface_t lutIface, int port,
                               bool flag);
    // The detection itself, on the calling thread.
    static BaseDisplay* runDetection(int displayId, displayiface_t iface, displayiface_t lutIface, int port,
                                     bool flag);

    static std::shared_ptr<BaseDisplay> cachedDetect(int displayId, displayiface_t iface,
                                                     displayiface_t lutIface, int port, bool flag);
    static void releaseCachedDisplay(int displayId);
    static void releaseCachedDisplayIfUnused(int displayId);
    static bool isCached(int displayId);
    // The pooled object of the display, never detecting one; null when none is pooled.
    static std::shared_ptr<BaseDisplay> cached(int displayId);
    // The ids the pool holds objects for.
    static std::vector<int> cachedIds();

    static void reatachLUT(int displayId, BaseDisplay* display, displayiface_t iface, displayiface_t lutIface,
                           bool flag);
    // The video card's LUT object for the display, null when none can be made.
    static LUT* createLUT(int displayId);
    static LUT* detectSystemLUT(int displayId);
    static LUT* createForegroundLUT(int displayId);

    // Forgets the cached object and detects the display again.
    static void UpdateDisplayInfo(int displayId, displayiface_t iface);
};
