#include "sensors/SensorFactory.h"

#include "sensors/CSensor.h"
#include "sensors/SensorRegistration.h"

#include <QMutex>
#include <QMutexLocker>

#include <map>
#include <vector>

namespace {

QMutex g_mutex;
std::map<int, std::map<int, std::vector<SensorFactory::Constructor>>> g_registry;
bool g_registered = false;

} // namespace

bool SensorFactory::Register(int type, conniface_t iface, Constructor constructor)
{
    QMutexLocker locker(&g_mutex);
    g_registry[type][iface].push_back(std::move(constructor));
    return true;
}

int SensorFactory::size(int type, conniface_t iface)
{
    QMutexLocker locker(&g_mutex);
    const auto byType = g_registry.find(type);
    if (byType == g_registry.end())
        return 0;
    const auto byIface = byType->second.find(iface);
    return byIface == byType->second.end() ? 0 : static_cast<int>(byIface->second.size());
}

std::shared_ptr<CSensor> SensorFactory::createInstance(int type, conniface_t iface, int index, int port)
{
    Constructor constructor;
    {
        QMutexLocker locker(&g_mutex);
        const auto byType = g_registry.find(type);
        if (byType == g_registry.end())
            return nullptr;
        const auto byIface = byType->second.find(iface);
        if (byIface == byType->second.end() || index < 0 || index >= static_cast<int>(byIface->second.size()))
            return nullptr;
        constructor = byIface->second[static_cast<size_t>(index)];
    }
    // Constructed outside the lock: a constructor may look at the hardware.
    return constructor(port);
}

void SensorFactory::registerAll()
{
    {
        QMutexLocker locker(&g_mutex);
        if (g_registered)
            return;
        g_registered = true;
    }
    SensorRegistration::registerDeviceClasses();
}

void SensorFactory::clear()
{
    QMutexLocker locker(&g_mutex);
    g_registry.clear();
    g_registered = false;
}
