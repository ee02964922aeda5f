#include "displays/HYCDisplays.h"

#include <QDebug>

HYCDisplay::HYCDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool HYCDisplay::recognise(const DisplayIdentity& identity)
{
    if (!isOwnManufacturer(identity)) {
        return notThisDisplay(QString::fromLatin1(wrongEdidMessage()));
    }
    if (identity.name.trimmed().isEmpty() && identity.name0xFC.trimmed().isEmpty()) {
        return notThisDisplay(QStringLiteral("incompatible model"));
    }
    return true;
}

bool HYCDisplay::isOwnManufacturer(const DisplayIdentity& identity) const
{
    return identity.madeBy({"HYC"});
}

const char* HYCDisplay::wrongEdidMessage() const
{
    return "HYC: wrong EDID";
}

LGDisplay::LGDisplay(int displayId, QObject* parent) : HYCDisplay(displayId, parent) {}

bool LGDisplay::isOwnManufacturer(const DisplayIdentity& identity) const
{
    return identity.madeBy({"GSM", "LG"});
}

const char* LGDisplay::wrongEdidMessage() const
{
    return "LG: wrong EDID";
}

LumimedDisplay::LumimedDisplay(int displayId, QObject* parent) : HYCDisplay(displayId, parent) {}

const char* LumimedDisplay::wrongEdidMessage() const
{
    return "LUMIMED: wrong EDID";
}
