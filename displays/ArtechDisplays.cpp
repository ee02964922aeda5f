#include "displays/ArtechDisplays.h"

#include <QDebug>

namespace {

bool isArtech(const DisplayIdentity& identity)
{
    if (identity.madeBy({"ART", "ARTECH"}))
        return true;
    qDebug() << "No Artech display";
    return false;
}

} // namespace

ArtechDisplayUart::ArtechDisplayUart(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_SERIAL);
}

bool ArtechDisplayUart::recognise(const DisplayIdentity& identity)
{
    return isArtech(identity);
}

bool ArtechDisplayUart::openChannel()
{
    return channelNotAvailable("Artech COM port transport");
}

ArtechDisplayDdcci::ArtechDisplayDdcci(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool ArtechDisplayDdcci::recognise(const DisplayIdentity& identity)
{
    return isArtech(identity);
}
