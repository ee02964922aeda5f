#include "platform/HidEnumerationScope.h"

namespace {

struct ThreadList
{
    int depth = 0;
    std::optional<QList<HidDeviceInfo>> devices;
};

thread_local ThreadList t_list;

} // namespace

HidEnumerationScope::HidEnumerationScope() : m_outermost(t_list.depth == 0)
{
    ++t_list.depth;
}

HidEnumerationScope::~HidEnumerationScope()
{
    --t_list.depth;
    if (m_outermost)
        t_list.devices.reset();
}

QList<HidDeviceInfo> HidEnumerationScope::enumerate(const HidDevices& devices, quint16 vendorId,
                                                    quint16 productId)
{
    if (t_list.depth == 0)
        return devices.enumerate(vendorId, productId);
    if (!t_list.devices)
        t_list.devices = devices.enumerate();
    QList<HidDeviceInfo> result;
    for (const HidDeviceInfo& device : *t_list.devices) {
        if ((vendorId == 0 || device.vendorId == vendorId) &&
            (productId == 0 || device.productId == productId))
            result.append(device);
    }
    return result;
}
