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
        DeviceVideocard = 0, // automatic choice among the video-card transports
    };

    // The pooled transport of the display, created on first use.
    static std::shared_ptr<DDCCIControl> getVideocardDDCCI(DeviceType type, int displayId);
    static void releaseDDCCI(int displayId);
    // Drops the pool entry only when nobody else holds the transport.
    static void releaseDDCCIIfUnused(int displayId);
    static bool isPooled(int displayId);
    static std::vector<int> pooledIds();
};
