#include "displays/NECDisplay.h"

#include <QDebug>

NECDisplay::NECDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool NECDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.edid.size() < 128) {
        qDebug() << "NECDisplay failed to read EDID";
        return false;
    }
    if (!identity.madeBy({"NEC"}))
        return notThisDisplay(QStringLiteral("bad EDID content ") + identity.vendor3);
    return true;
}
