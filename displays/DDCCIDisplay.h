#pragma once

#include "displays/BaseDisplay.h"
#include "displays/DisplayIdentity.h"

#include <memory>

class DDCCIControl;

// A display controlled over a channel of its own (DDC/CI here; subclasses may use USB,
// a COM port or a vendor library). `connect()` first asks the class whether the
// display's identity is one of its models, then opens the channel; either failing
// leaves ok false with the reason in the log, so the factory tries the next class.
class DDCCIDisplay : public BaseDisplay
{
    Q_OBJECT
public:
    explicit DDCCIDisplay(int displayId, QObject* parent = nullptr);
    ~DDCCIDisplay() override;

    void connect() override;
    void disconnect() override;
    bool hardwareReconnect() override;
    bool unlockHardware() override;

protected:
    // True when the identity names a model of this class; logs the reason otherwise.
    virtual bool recognise(const DisplayIdentity& identity);
    // Opens the class's control channel; logs and returns false when it cannot.
    virtual bool openChannel();
    // The line logged when the display does not answer on DDC/CI.
    virtual const char* channelFailureMessage() const;
    // Used by the channel-less classes: logs that `what` cannot be reached in this build.
    bool channelNotAvailable(const char* what);

    const DisplayIdentity& identity() const { return m_identity; }
    std::shared_ptr<DDCCIControl> ddcci() const { return m_ddcci; }

private:
    DisplayIdentity m_identity;
    std::shared_ptr<DDCCIControl> m_ddcci;
};
