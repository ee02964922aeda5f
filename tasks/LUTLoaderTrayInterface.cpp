#include "tasks/LUTLoaderTrayInterface.h"

#include <QDebug>
#include <QMutexLocker>

std::vector<int> LUTLoaderTrayInterface::loadedDisplayIds() const
{
    QMutexLocker lock(&m_loadedMutex);
    return m_loaded;
}

void LUTLoaderTrayInterface::publishLoadedDisplays(std::vector<int> ids)
{
    QMutexLocker lock(&m_loadedMutex);
    m_loaded = std::move(ids);
}

void LUTLoaderTrayInterface::loadSingleLUT(int displayId)
{
    qWarning().noquote() << "LUTLoaderTrayInterface::loadSingleLUT - this tray cannot reload display"
                         << displayId;
    // By name, so a tray class that declares the signal again is answered through its own.
    QMetaObject::invokeMethod(this, "signalLUTApplyFinished", Qt::QueuedConnection);
}
