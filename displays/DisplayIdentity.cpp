#include "displays/DisplayIdentity.h"

#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"

DisplayIdentity DisplayIdentity::fromInfo(const DisplayInfo& info)
{
    DisplayIdentity identity;
    identity.edid = info.edid();
    identity.vendor3 = info.shortManufacturer();
    identity.manufacturer = info.manufacture();
    identity.name = info.name();
    identity.name0xFC = info.nameFC();
    identity.text0xFE = info.textFE();
    identity.productCode0 = info.productCode()[0];
    identity.productCode1 = info.productCode()[1];
    return identity;
}

DisplayIdentity DisplayIdentity::ofDisplay(int displayId)
{
    return fromInfo(CurrentDisplays::DisplayById(displayId));
}

bool DisplayIdentity::madeBy(std::initializer_list<const char*> vendors) const
{
    for (const char* vendor : vendors) {
        const QString wanted = QString::fromLatin1(vendor);
        if (vendor3.compare(wanted, Qt::CaseInsensitive) == 0 ||
            manufacturer.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool DisplayIdentity::modelContains(std::initializer_list<const char*> texts) const
{
    for (const char* text : texts) {
        const QString wanted = QString::fromLatin1(text);
        if (name.contains(wanted, Qt::CaseInsensitive) || name0xFC.contains(wanted, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
