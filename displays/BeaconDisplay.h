#pragma once

#include "displays/DDCCIDisplay.h"

// Beacon displays: the model and the protocol version are read over DDC/CI.
class BeaconDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit BeaconDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};
