#pragma once

#include "displays/DDCCIDisplay.h"

// Advantech displays controlled over a COM port or USB.
class AdvantechDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit AdvantechDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    bool openChannel() override;
};

// Advantech boards with several stored LUTs; board model and features come over DDC/CI.
class AdvantechMultiLutDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit AdvantechMultiLutDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};
