#include "displays/WideDisplays.h"

#include <QDebug>

WideDisplayBase::WideDisplayBase(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool WideDisplayBase::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"WKC", "WIDE"}))
        return true;
    qDebug() << metaObject()->className() << "wrong manufacturer" << identity.vendor3;
    return false;
}

// Without an answer the model cannot be read from the display.
const char* WideDisplayBase::channelFailureMessage() const
{
    return "Unknown WIDE display";
}

WideDisplayDDCCI::WideDisplayDDCCI(int displayId, QObject* parent) : WideDisplayBase(displayId, parent) {}

WideDisplayUSB::WideDisplayUSB(int displayId, QObject* parent) : WideDisplayBase(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_USB);
}

bool WideDisplayUSB::openChannel()
{
    channelNotAvailable("WIDE USB transport");
    qDebug() << channelFailureMessage();
    return false;
}
