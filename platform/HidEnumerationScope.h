#pragma once

#include "platform/HidDevices.h"

#include <QList>

#include <optional>

// While one lives on a thread, the HID devices that thread asks for are listed once and
// the list is reused: a refresh of many displays asks each one for its built-in sensor,
// and a full enumeration per display costs a USB walk each time. Scopes nest; the
// outermost one owns the list. Other threads are not affected.
class HidEnumerationScope
{
public:
    HidEnumerationScope();
    ~HidEnumerationScope();
    HidEnumerationScope(const HidEnumerationScope&) = delete;
    HidEnumerationScope& operator=(const HidEnumerationScope&) = delete;

    // The devices of `devices` with the given ids (all when both are 0): from the scope's
    // list while a scope is open on this thread, else listed now.
    static QList<HidDeviceInfo> enumerate(const HidDevices& devices, quint16 vendorId = 0,
                                          quint16 productId = 0);

private:
    bool m_outermost;
};
