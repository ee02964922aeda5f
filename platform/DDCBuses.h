#pragma once

#include "platform/DDCBus.h"

#include <QString>

#include <memory>

// The DDC buses of the display outputs, keyed by the output's connector name as the display
// enumeration reports it. Thread-safe; the buses it opens are not.
class DDCBuses
{
public:
    virtual ~DDCBuses() = default;

    // The bus of `output`; null with the reason (and what to do about it) in `error`.
    virtual std::unique_ptr<DDCBus> open(const QString& output, QString* error) const = 0;
};
