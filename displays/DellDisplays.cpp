#include "displays/DellDisplays.h"

#include <QDebug>

namespace {

// EDID bytes 8 to 11 of the U3011: manufacturer "DEL" and its product code.
constexpr unsigned char DellU3011Id[4] = {0x10, 0xAC, 0x63, 0x40};

bool hasDellU3011Id(const QByteArray& edid)
{
    if (edid.size() < 12)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (static_cast<unsigned char>(edid.at(8 + i)) != DellU3011Id[i])
            return false;
    }
    return true;
}

} // namespace

DELLDisplay::DELLDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool DELLDisplay::recognise(const DisplayIdentity& identity)
{
    const QString name = identity.name0xFC.toLower();
    if (!name.contains(QLatin1String("u3011")) || !name.contains(QLatin1String("dell"))) {
        return notThisDisplay(QStringLiteral("not a DELL U3011 display: ") + identity.name0xFC);
    }
    if (!hasDellU3011Id(identity.edid)) {
        return notThisDisplay(QStringLiteral("wrong manufacturer or product code"));
    }
    return true;
}

const char* DELLDisplay::channelFailureMessage() const
{
    return "Can't fetch code for DELL!";
}

DellMStarUPDisplay::DellMStarUPDisplay(int displayId, QObject* parent) : DELLDisplay(displayId, parent) {}

bool DellMStarUPDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.modelContains({"up3216q", "up2715k"}))
        return true;
    return notThisDisplay(QStringLiteral("not a Dell MStar display: ") + identity.name);
}

DELLUltraSharpDisplay::DELLUltraSharpDisplay(int displayId, QObject* parent) : DELLDisplay(displayId, parent)
{
}

// UltraSharp models name themselves "DELL U...." in the display-name descriptor.
bool DELLUltraSharpDisplay::recognise(const DisplayIdentity& identity)
{
    const QString name = identity.name0xFC.trimmed();
    if (identity.madeBy({"DEL", "DELL"}) && name.startsWith(QLatin1String("DELL U"), Qt::CaseInsensitive))
        return true;
    return notThisDisplay(QStringLiteral("not Dell UltraSharp display"));
}

DellUnknownDisplay::DellUnknownDisplay(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool DellUnknownDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"DEL", "DELL"}))
        return true;
    return notThisDisplay(QStringLiteral("manufacturer is not dell: ") + identity.manufacturer);
}

DellUP3017Display::DellUP3017Display(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool DellUP3017Display::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"DEL", "DELL"}) && identity.modelContains({"UP3017", "UP2516D", "UP2716D"}))
        return true;
    return notThisDisplay(QStringLiteral("not a DELL UP3017/UP2516D/UP2716D: ") + identity.name);
}

DellUp2718qDisplay::DellUp2718qDisplay(int displayId, QObject* parent) : DellUP3017Display(displayId, parent)
{
}

bool DellUp2718qDisplay::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"DEL", "DELL"}) && identity.modelContains({"UP2718Q"}))
        return true;
    return notThisDisplay(QStringLiteral("not a DELL UP2718Q: ") + identity.name);
}
