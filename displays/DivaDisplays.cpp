#include "displays/DivaDisplays.h"

#include <QDebug>

DivaDisplay::DivaDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool DivaDisplay::recognise(const DisplayIdentity& identity)
{
    if (!identity.madeBy({"DVA", "DIVA"})) {
        return notThisDisplay(QStringLiteral("wrong manufacturer ") + identity.vendor3);
    }
    if (isDeprecated()) {
        qDebug() << "Deprecated DIVA display";
        return false;
    }
    return true;
}

OlorinDisplay::OlorinDisplay(int displayId, QObject* parent) : DivaDisplay(displayId, parent) {}

USEIDisplay::USEIDisplay(int displayId, QObject* parent) : OlorinDisplay(displayId, parent) {}

TaiwanDisplay::TaiwanDisplay(int displayId, QObject* parent) : OlorinDisplay(displayId, parent) {}

SuperSonicDisplay::SuperSonicDisplay(int displayId, QObject* parent) : OlorinDisplay(displayId, parent) {}

NewDivaDisplay::NewDivaDisplay(int displayId, QObject* parent) : OlorinDisplay(displayId, parent) {}

Diva2Display::Diva2Display(int displayId, QObject* parent) : NewDivaDisplay(displayId, parent) {}

int Diva2Display::GetCommunicationMode()
{
    return DISP_COMM_TYPE_GBOARD | DISP_COMM_TYPE_DDCCI | DISP_COMM_TYPE_USB;
}
