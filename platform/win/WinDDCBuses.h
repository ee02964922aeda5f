#pragma once

#include "platform/DDCBuses.h"

// Windows reaches DDC/CI through the display-control libraries of the transports, not a raw bus.
class WinDDCBuses : public DDCBuses
{
public:
    std::unique_ptr<DDCBus> open(const QString& output, QString* error) const override;
};
