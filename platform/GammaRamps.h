#pragma once

#include "platform/GammaRampDevice.h"

#include <QString>
#include <QStringList>

#include <memory>

// The video cards' gamma ramps, one per display output, keyed by the output's
// connector name as the display enumeration reports it ("DP-1", "\\.\DISPLAY1").
// Thread-safe; the devices it opens are not.
class GammaRamps
{
public:
    virtual ~GammaRamps() = default;

    // Opens the ramp of `output`; null (with the reason in `error`) when the output
    // is unknown, not driven by a card right now, or the system refuses it.
    virtual std::unique_ptr<GammaRampDevice> open(const QString& output, QString* error = nullptr) const = 0;
    // The outputs whose ramp can be opened now.
    virtual QStringList outputs() const = 0;
};
