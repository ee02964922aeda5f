#pragma once

#include "platform/ScreenSaver.h"

// The Windows screen saver: its state from the system parameters, ended by closing
// the foreground window of the saver's desktop; the system kept awake by resetting
// its idle timers.
class WinScreenSaver : public ScreenSaver
{
public:
    bool isRunning() const override;
    bool isSecure() const override;
    bool stop() const override;
    void keepAwake() const override;
};
