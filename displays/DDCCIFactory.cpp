#include "displays/DDCCIFactory.h"

#include "displays/DDCCIControl.h"
#include "displays/I2CDDCCIControl.h"
#include "displays/LGMedicalDDCCIControl.h"
#include "displays/LGMedicalPorts.h"
#include "displays/LibraryDDCCIControl.h"
#include "displays/ServiceDDCCIControl.h"
#include "displays/UnavailableDDCCIControl.h"
#include "displays/WideUsbDDCCIControl.h"

#include <QDebug>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QWriteLocker>

#include <map>

namespace {

QReadWriteLock g_poolLock;
std::map<int, std::shared_ptr<DDCCIControl>> g_pool;

void store(int displayId, std::shared_ptr<DDCCIControl>& transport)
{
    QWriteLocker lock(&g_poolLock);
    // Another thread may have created one meanwhile; the pooled one wins.
    const auto [it, inserted] = g_pool.emplace(displayId, transport);
    transport = it->second;
}

std::shared_ptr<DDCCIControl> pooled(int displayId)
{
    QReadLocker lock(&g_poolLock);
    const auto it = g_pool.find(displayId);
    return it == g_pool.end() ? nullptr : it->second;
}

} // namespace

std::vector<DDCCIFactory::DeviceType> DDCCIFactory::candidates(DeviceType type)
{
    if (type != DeviceVideocard)
        return {type};
    return {DeviceEizo,        DeviceDivaHid, DeviceDellHid,   DeviceDellHidMstar, DeviceDellHidUp2718q,
            DeviceService4,    DeviceWideUsb, DeviceLGMedical, DeviceATI,          DeviceAtiServer,
            DeviceMatroxXenia, DeviceMatrox,  DeviceNVidia,    DeviceIntelDriver,  DeviceIntel};
}

std::shared_ptr<DDCCIControl> DDCCIFactory::create(DeviceType type, int displayId, QByteArray serial)
{
    switch (type) {
    case DeviceLGMedical:
        return std::make_shared<LGMedicalDDCCIControl>(displayId, LGMedicalPorts::portOf(displayId));
    case DeviceService1:
        return std::make_shared<ServiceDDCCIControl>(displayId, 1, std::move(serial));
    case DeviceService4:
        return std::make_shared<ServiceDDCCIControl>(displayId, 4, std::move(serial));
    case DeviceVideocard:
        return std::make_shared<I2CDDCCIControl>(displayId);
    case DeviceDell:
        return std::make_shared<LibraryDDCCIControl>(displayId, type,
                                                     QStringList{QStringLiteral("Dell_DDCCI.dll")});
    case DeviceEizo:
        return std::make_shared<LibraryDDCCIControl>(
            displayId, type, QStringList{QStringLiteral("libEizMonCtrl.dll"), QStringLiteral("EizMonCtrl")});
    case DeviceWideUsb:
        return std::make_shared<WideUsbDDCCIControl>(displayId);
    default:
        // Video-card driver interfaces, USB HID, COM port and service transports this build
        // does not carry: the candidate fails its test and the next one is tried.
        return std::make_shared<UnavailableDDCCIControl>(displayId);
    }
}

std::shared_ptr<DDCCIControl> DDCCIFactory::getVideocardDDCCI(DeviceType type, int displayId)
{
    if (std::shared_ptr<DDCCIControl> transport = pooled(displayId)) {
        qDebug() << "DDCCI from pool";
        return transport;
    }
    qDebug() << "create new DDCCI";
    std::shared_ptr<DDCCIControl> transport;
    for (const DeviceType candidate : candidates(type)) {
        std::shared_ptr<DDCCIControl> tried = create(candidate, displayId);
        if (tried && tried->test()) {
            qDebug() << "detected DDC/CI control" << candidate;
            transport = std::move(tried);
            break;
        }
    }
    if (!transport)
        transport = create(DeviceVideocard, displayId);
    store(displayId, transport);
    return transport;
}

std::shared_ptr<DDCCIControl> DDCCIFactory::getDisplayDDCCI(DeviceType type, int displayId, QByteArray serial)
{
    if (std::shared_ptr<DDCCIControl> transport = pooled(displayId))
        return transport;
    std::shared_ptr<DDCCIControl> transport = create(type, displayId, std::move(serial));
    if (transport)
        store(displayId, transport);
    return transport;
}

void DDCCIFactory::prepareDDCCI(std::shared_ptr<DDCCIControl> transport)
{
    if (transport)
        transport->hardwareReconnect();
}

void DDCCIFactory::releaseDDCCI(int displayId)
{
    QWriteLocker lock(&g_poolLock);
    g_pool.erase(displayId);
}

void DDCCIFactory::releaseDDCCIIfUnused(int displayId)
{
    QWriteLocker lock(&g_poolLock);
    const auto it = g_pool.find(displayId);
    if (it != g_pool.end() && it->second.use_count() == 1) {
        qDebug() << "remove unused DDCCI control";
        g_pool.erase(it);
    }
}

bool DDCCIFactory::isPooled(int displayId)
{
    QReadLocker lock(&g_poolLock);
    return g_pool.count(displayId) != 0;
}

std::vector<int> DDCCIFactory::pooledIds()
{
    QReadLocker lock(&g_poolLock);
    std::vector<int> ids;
    for (const auto& entry : g_pool)
        ids.push_back(entry.first);
    return ids;
}
