#pragma once

#include "displays/DDCCIControl.h"

// The DDC/CI channel of a display whose bus this build cannot reach: every call fails
// with a logged line, so display classes that need DDC/CI give up cleanly.
class UnavailableDDCCIControl : public DDCCIControl
{
public:
    explicit UnavailableDDCCIControl(int displayId);

    bool test() override;
    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;
};
