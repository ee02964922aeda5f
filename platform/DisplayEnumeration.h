#pragma once

#include "platform/DisplayOutput.h"

#include <QList>

// The operating system's list of active display outputs. Implementations are thread-safe and
// never block for long: a system without displays, or without a desktop, yields what it can.
class DisplayEnumeration
{
public:
    virtual ~DisplayEnumeration() = default;

    // The outputs that show part of the desktop, in the system's order.
    virtual QList<DisplayOutput> activeOutputs() const = 0;
};
