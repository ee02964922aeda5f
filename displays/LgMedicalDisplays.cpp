#include "displays/LgMedicalDisplays.h"

#include "displays/DDCCIFactory.h"
#include "displays/LGMedicalDDCCIControl.h"
#include "displays/LGMedicalPorts.h"

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
    // The automatic choice lands on the COM port when the display answers there; when the cable
    // answers as well, the port is still where this class talks.
    std::shared_ptr<DDCCIControl> transport = getVideocardDDCCI();
    if (!dynamic_cast<LGMedicalDDCCIControl*>(transport.get())) {
        if (LGMedicalPorts::portOf(displayId()).isEmpty()) {
            qDebug() << "LgMedicalUART: display" << displayId() << "answers on no COM port";
            return false;
        }
        transport = DDCCIFactory::create(DDCCIFactory::DeviceLGMedical, displayId());
        if (!transport || !transport->hardwareReconnect())
            return false;
    }
    setTransport(std::move(transport));
    return DDCCIDisplay::openChannel();
}

LgMedicalDdcci::LgMedicalDdcci(int displayId, QObject* parent) : LgMedicalBase(displayId, parent) {}

LGMedicalSoftware::LGMedicalSoftware(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool LGMedicalSoftware::recognise(const DisplayIdentity& identity)
{
    if (isLg(identity) && identity.modelContains({"27HJ713C"}))
        return true;
    return notThisDisplay(QStringLiteral("not an LG 27HJ713C: ") + identity.name);
}
