#pragma once

#include "platform/ScreenSaver.h"

class SimWorkstation;

// The screen saver of the simulated workstation: its state and the keep-awake
// requests live in the workstation model, where the control socket shows them.
class SimScreenSaver : public ScreenSaver
{
public:
    explicit SimScreenSaver(SimWorkstation& workstation) : m_workstation(workstation) {}

    bool isRunning() const override;
    bool isSecure() const override;
    bool stop() const override;
    void keepAwake() const override;

private:
    SimWorkstation& m_workstation;
};
