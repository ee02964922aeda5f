#pragma once

#include "displays/DDCCIDisplay.h"

class NECDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit NECDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};
