#pragma once

#include "displays/DDCCIDisplay.h"

// Goomedi displays: a Goomedi EDID, controlled over a COM port.
class GoomediDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit GoomediDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    bool openChannel() override;
};

class GoomediMSADisplay : public GoomediDisplay
{
    Q_OBJECT
public:
    explicit GoomediMSADisplay(int displayId, QObject* parent = nullptr);
};
