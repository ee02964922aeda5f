#include "displays/BeaconDisplay.h"

#include <QDebug>

BeaconDisplay::BeaconDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool BeaconDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"BEA"}))
        return true;
    qDebug() << "BeaconDisplay::recognise wrong manufacturer" << identity.vendor3;
    return false;
}
