#pragma once

#include "platform/DDCBuses.h"

// Windows has no raw DDC bus: the helper driver library "DDCHelper.dll" or the display-control
// libraries of the transports reach the displays.
class WinDDCBuses : public DDCBuses
{
public:
    std::unique_ptr<DDCBus> open(const QString& output, QString* error) const override;
};
