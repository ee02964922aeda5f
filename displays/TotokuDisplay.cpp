#include "displays/TotokuDisplay.h"

#include "displays/DisplayIdentity.h"

#include <QDebug>

namespace {

const char* const SonyModels[] = {"LMD-DM20C", "LMD-DM20", "LMD-DM30C", "LMD-DM30", "LMD-DM50C", "LMD-DM50"};

bool isSonyModel(const DisplayIdentity& identity)
{
    for (const char* model : SonyModels) {
        const QString wanted = QString::fromLatin1(model);
        if (identity.name.trimmed().compare(wanted, Qt::CaseInsensitive) == 0 ||
            identity.name0xFC.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

TotokuDisplay::TotokuDisplay(int displayId, QObject* parent) : BaseDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_USB);
}

bool TotokuDisplay::isSupportedModel(const DisplayIdentity& identity)
{
    return isSonyModel(identity) || identity.madeBy({"TTK", "TOTOKU", "JVC", "JKC"});
}

void TotokuDisplay::connect()
{
    clearMismatch();
    const DisplayIdentity identity = DisplayIdentity::ofDisplay(displayId());
    if (!isSupportedModel(identity)) {
        notThisDisplay(QStringLiteral("Not a Sony/Totoku/JVC display"));
        setOk(false);
        return;
    }
    qDebug() << "TotokuDisplay::connect USB HID transport not available";
    setOk(false);
}
