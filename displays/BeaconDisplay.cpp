#include "displays/BeaconDisplay.h"

#include <QDebug>

BeaconDisplay::BeaconDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool BeaconDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"BEA"}))
        return true;
    return notThisDisplay(QStringLiteral("wrong manufacturer ") + identity.vendor3);
}
