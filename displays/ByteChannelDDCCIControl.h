#pragma once

#include "displays/DDCCIControl.h"

#include <QByteArray>
#include <QString>

// A transport whose packages travel over a byte channel of the display's own (a COM port, a
// USB port) instead of the video cable's bus. The channel is opened on first use and again
// after it failed; each package is framed here, sent whole, and one reply package is received
// and repaired here. A subclass only opens, closes and moves bytes; every one of its hooks is
// called with the bus mutex held.
class ByteChannelDDCCIControl : public DDCCIControl
{
public:
    ~ByteChannelDDCCIControl() override;

    bool test() override;
    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;
    bool hardwareReconnect() override;
    bool unlockHardware() override;

    // Replies are read no sooner than this after the previous transaction.
    static constexpr unsigned ReadDelayMs = 50;

protected:
    // `name` prefixes the log lines.
    ByteChannelDDCCIControl(int displayId, const char* name);

    virtual bool isChannelOpen() const = 0;
    // Opens the channel; on failure says why through reportOpenFailure().
    virtual bool openChannel() = 0;
    virtual void closeChannel() = 0;
    // The longest payload one package of the channel carries.
    virtual unsigned maxPayload() const { return 127; }
    // Right before a package is sent.
    virtual void beforeSend() {}
    // Sends one framed package; false when the channel failed.
    virtual bool sendPackage(const QByteArray& package) = 0;
    // Receives one reply package of about `expected` bytes: its size, 0 when nothing came in
    // time, -1 when the channel failed (it is reopened for the next call).
    virtual int receivePackage(QByteArray& reply, unsigned expected) = 0;
    // What the log calls the channel (a port name, a device path).
    virtual QString channelName() const = 0;
    virtual QString channelError() const = 0;

    // Logs `message` once; a channel that keeps failing to open does not fill the log.
    void reportOpenFailure(const QString& message);
    const char* name() const { return m_name; }

private:
    bool ensureOpen();

    const char* m_name;
    bool m_openFailureReported = false;
};
