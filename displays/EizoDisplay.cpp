#include "displays/EizoDisplay.h"

#include "displays/DisplayIdentity.h"

#include <QDebug>
#include <QLibrary>

EizoDisplay::EizoDisplay(int displayId, QObject* parent) : BaseDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_USB);
}

void EizoDisplay::connect()
{
    clearMismatch();
    const DisplayIdentity identity = DisplayIdentity::ofDisplay(displayId());
    if (!identity.madeBy({"ENC", "EIZO"})) {
        notThisDisplay(QStringLiteral("not an EIZO display: ") + identity.vendor3);
        setOk(false);
        return;
    }
    QLibrary library(QString::fromLatin1(LibraryName));
    if (!library.load()) {
        qDebug() << "EizoDisplay::connect" << LibraryName << "not available:" << library.errorString();
        setOk(false);
        return;
    }
    // The library's monitor protocol is not wired in yet: a display it could reach is
    // still refused rather than half-controlled.
    qDebug() << "EizoDisplay::connect monitor-control transport not available";
    library.unload();
    setOk(false);
}
