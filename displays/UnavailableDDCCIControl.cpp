#include "displays/UnavailableDDCCIControl.h"

#include <QDebug>

namespace {
constexpr int LastErrorBusCallFailed = 5;
}

UnavailableDDCCIControl::UnavailableDDCCIControl(int displayId) : DDCCIControl(displayId) {}

bool UnavailableDDCCIControl::test()
{
    qDebug() << "UnavailableDDCCIControl::test() DDC/CI transport not available for display" << displayId();
    return false;
}

int UnavailableDDCCIControl::read(unsigned char* /*buf*/, unsigned /*maxBytes*/)
{
    qDebug() << "UnavailableDDCCIControl::read() DDC/CI transport not available for display" << displayId();
    setLastError(LastErrorBusCallFailed);
    return -1;
}

int UnavailableDDCCIControl::write(unsigned char* /*payload*/, unsigned /*len*/, unsigned /*delayMs*/)
{
    qDebug() << "UnavailableDDCCIControl::write() DDC/CI transport not available for display" << displayId();
    setLastError(LastErrorBusCallFailed);
    return -1;
}
