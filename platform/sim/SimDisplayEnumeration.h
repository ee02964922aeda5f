#pragma once

#include "platform/DisplayEnumeration.h"

class SimWorkstation;

// The connected displays of the simulated workstation, in the order of its file; a display
// unplugged through the control socket disappears from the next listing.
class SimDisplayEnumeration : public DisplayEnumeration
{
public:
    explicit SimDisplayEnumeration(const SimWorkstation& workstation);

    QList<DisplayOutput> activeOutputs() const override;

private:
    const SimWorkstation& m_workstation;
};
