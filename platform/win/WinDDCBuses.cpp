#include "platform/win/WinDDCBuses.h"

#include <QLibrary>

// Windows gives programs no raw I2C access to a video card's DDC lines; the helper driver
// library does. It is looked up by name and never required; this build has no binding for its
// calls, so a display reached only through it answers on a vendor transport or not at all.
std::unique_ptr<DDCBus> WinDDCBuses::open(const QString& output, QString* error) const
{
    QLibrary helper(QStringLiteral("DDCHelper.dll"));
    const bool present = helper.load();
    if (present)
        helper.unload();
    if (error) {
        *error = present
                     ? QStringLiteral("%1: DDCHelper.dll is present, but this build has no binding for it")
                           .arg(output)
                     : QStringLiteral("%1: no raw DDC bus on Windows and no DDCHelper.dll on this system; "
                                      "install the display maker's DDC/CI helper")
                           .arg(output);
    }
    return nullptr;
}
