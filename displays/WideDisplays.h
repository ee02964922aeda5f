#pragma once

#include "displays/DDCCIDisplay.h"

// WIDE medical displays: a WIDE EDID, then the model read from the display's monitor-id
// register over DDC/CI or USB.
class WideDisplayBase : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit WideDisplayBase(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    const char* channelFailureMessage() const override;
};

class WideDisplayDDCCI : public WideDisplayBase
{
    Q_OBJECT
public:
    explicit WideDisplayDDCCI(int displayId, QObject* parent = nullptr);
};

class WideDisplayUSB : public WideDisplayBase
{
    Q_OBJECT
public:
    explicit WideDisplayUSB(int displayId, QObject* parent = nullptr);

protected:
    bool openChannel() override;
};
