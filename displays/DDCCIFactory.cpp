#include "displays/DDCCIFactory.h"

#include "displays/UnavailableDDCCIControl.h"

#include <QDebug>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QWriteLocker>

#include <map>

namespace {

QReadWriteLock g_poolLock;
std::map<int, std::shared_ptr<DDCCIControl>> g_pool;

// No transport of this build reaches a display's I2C bus yet; every display gets the
// stand-in, which answers "not available".
std::shared_ptr<DDCCIControl> createTransport(DDCCIFactory::DeviceType /*type*/, int displayId)
{
    return std::make_shared<UnavailableDDCCIControl>(displayId);
}

} // namespace

std::shared_ptr<DDCCIControl> DDCCIFactory::getVideocardDDCCI(DeviceType type, int displayId)
{
    {
        QReadLocker lock(&g_poolLock);
        const auto it = g_pool.find(displayId);
        if (it != g_pool.end()) {
            qDebug() << "DDCCI from pool";
            return it->second;
        }
    }
    qDebug() << "create new DDCCI";
    auto transport = createTransport(type, displayId);
    QWriteLocker lock(&g_poolLock);
    // Another thread may have created one meanwhile; the pooled one wins.
    const auto [it, inserted] = g_pool.emplace(displayId, transport);
    return it->second;
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
