#include "tasks/LUTLoaderTrayInterface.h"

#include <QAction>
#include <QDebug>

void LUTLoaderTrayInterface::loadSingleLUT(QAction* action)
{
    qWarning().noquote() << "LUTLoaderTrayInterface::loadSingleLUT - this tray cannot reload"
                         << (action != nullptr ? action->text() : QStringLiteral("(no display)"));
    // By name, so a tray class that declares the signal again is answered through its own.
    QMetaObject::invokeMethod(this, "signalLUTApplyFinished", Qt::QueuedConnection);
}
