#include "displays/LgMedicalDisplays.h"

#include <QDebug>
#include <QRegularExpression>

namespace {

// LG medical model names: two digits of diagonal, "H" and a series letter, three digits
// ("21HK512D", "27HJ713C").
bool isLgMedicalModel(const DisplayIdentity& identity)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{2}H[A-Z]\\d{3}"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(identity.name.trimmed()).hasMatch() ||
           pattern.match(identity.name0xFC.trimmed()).hasMatch();
}

bool isLg(const DisplayIdentity& identity)
{
    return identity.madeBy({"GSM", "LG"});
}

} // namespace

LgMedicalBase::LgMedicalBase(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool LgMedicalBase::recognise(const DisplayIdentity& identity)
{
    if (isLg(identity) && isLgMedicalModel(identity))
        return true;
    return notThisDisplay(QStringLiteral("Not supported LG display model ") + identity.name);
}

LgMedicalUART::LgMedicalUART(int displayId, QObject* parent) : LgMedicalBase(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_SERIAL);
}

bool LgMedicalUART::openChannel()
{
    return channelNotAvailable("LG medical COM port transport");
}

LgMedicalDdcci::LgMedicalDdcci(int displayId, QObject* parent) : LgMedicalBase(displayId, parent) {}

LGMedicalSoftware::LGMedicalSoftware(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool LGMedicalSoftware::recognise(const DisplayIdentity& identity)
{
    if (isLg(identity) && identity.modelContains({"27HJ713C"}))
        return true;
    return notThisDisplay(QStringLiteral("not an LG 27HJ713C: ") + identity.name);
}
