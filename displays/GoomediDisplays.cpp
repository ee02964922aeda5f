#include "displays/GoomediDisplays.h"

#include <QDebug>

GoomediDisplay::GoomediDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_SERIAL);
}

bool GoomediDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"GMD", "RMG"}))
        return true;
    return notThisDisplay(QStringLiteral("wrong manufacturer ") + identity.vendor3);
}

bool GoomediDisplay::openChannel()
{
    return channelNotAvailable("Goomedi COM port transport");
}

GoomediMSADisplay::GoomediMSADisplay(int displayId, QObject* parent) : GoomediDisplay(displayId, parent) {}
