#include "displays/SonyPVM2551MD.h"

#include <QDebug>

SonyPVM2551MD::SonyPVM2551MD(int displayId, bool flag, QObject* parent)
    : DDCCIDisplay(displayId, parent), m_flag(flag)
{
}

bool SonyPVM2551MD::recognise(const DisplayIdentity& identity)
{
    if (identity.modelContains({"pvm-2551"}))
        return true;
    return notThisDisplay(QStringLiteral("not a PVM-2551: ") + identity.name);
}
