#include "displays/AdvantechDisplays.h"

#include <QDebug>

AdvantechDisplay::AdvantechDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_USB);
}

bool AdvantechDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"KTM", "ADVANTECH"}))
        return true;
    return notThisDisplay(QStringLiteral("wrong manufacturer ") + identity.vendor3);
}

bool AdvantechDisplay::openChannel()
{
    return channelNotAvailable("Advantech COM port and USB transport");
}

AdvantechMultiLutDisplay::AdvantechMultiLutDisplay(int displayId, QObject* parent)
    : DDCCIDisplay(displayId, parent)
{
}

bool AdvantechMultiLutDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"KTM"}))
        return true;
    return notThisDisplay(QStringLiteral("wrong manufacturer ") + identity.vendor3);
}
