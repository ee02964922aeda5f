#pragma once

#include <QByteArray>

#include <memory>
#include <vector>

class DDCCIControl;

// Chooses and caches one DDC/CI transport per display id. Holders keep shared
// pointers, so a released transport lives until its last user lets go.
class DDCCIFactory
{
public:
    enum DeviceType
    {
        DeviceVideocard = 0, // the display output's own bus; with getVideocardDDCCI, the automatic choice
        DeviceDell = 1,
        DeviceNVidia = 2,
        DeviceATI = 3,
        DeviceDellUltraSharp = 4,
        DeviceService1 = 5,
        DeviceService4 = 6,
        DeviceMatroxXenia = 7,
        DeviceMatrox = 8,
        DeviceEizo = 9,
        DeviceDivaHid = 10,
        DeviceIntel = 11,
        DeviceDellHid = 12,
        DeviceIntelDriver = 13,
        DeviceWideUsb = 14,
        DeviceDellHidMstar = 15,
        DeviceDellHidUp2718q = 16,
        DeviceAtiServer = 17,
        DeviceLGMedical = 18,
    };

    // The pooled transport of the display; on first use the first candidate that passes its
    // test, or the output's own bus when none does.
    static std::shared_ptr<DDCCIControl> getVideocardDDCCI(DeviceType type, int displayId);
    // A transport of exactly `type` for the display, pooled like the automatic choice.
    static std::shared_ptr<DDCCIControl> getDisplayDDCCI(DeviceType type, int displayId, QByteArray serial);
    // A new, untested transport of `type`; null for a type this build cannot make.
    static std::shared_ptr<DDCCIControl> create(DeviceType type, int displayId, QByteArray serial = {});
    static void prepareDDCCI(std::shared_ptr<DDCCIControl> transport);
    static void releaseDDCCI(int displayId);
    // Drops the pool entry only when nobody else holds the transport.
    static void releaseDDCCIIfUnused(int displayId);
    static bool isPooled(int displayId);
    static std::vector<int> pooledIds();
    // The candidates tried for `type`, in order.
    static std::vector<DeviceType> candidates(DeviceType type);
};
