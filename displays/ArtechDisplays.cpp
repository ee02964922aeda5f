#include "displays/ArtechDisplays.h"

#include <QDebug>

namespace {

bool isArtech(const DisplayIdentity& identity)
{
    return identity.madeBy({"ART", "ARTECH"});
}

} // namespace

ArtechDisplayUart::ArtechDisplayUart(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_SERIAL);
}

bool ArtechDisplayUart::recognise(const DisplayIdentity& identity)
{
    return isArtech(identity) || notThisDisplay(QStringLiteral("No Artech display"));
}

bool ArtechDisplayUart::openChannel()
{
    return channelNotAvailable("Artech COM port transport");
}

ArtechDisplayDdcci::ArtechDisplayDdcci(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool ArtechDisplayDdcci::recognise(const DisplayIdentity& identity)
{
    return isArtech(identity) || notThisDisplay(QStringLiteral("No Artech display"));
}
