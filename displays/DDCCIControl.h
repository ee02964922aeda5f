#pragma once

#include <QByteArray>

// One DDC/CI channel to one display: command packets written to the display over the
// video cable and replies read back. Subclasses move the raw bytes; a display class
// builds its commands on top and treats a failing `test()` as "no DDC/CI".
class DDCCIControl
{
public:
    explicit DDCCIControl(int displayId);
    virtual ~DDCCIControl();
    DDCCIControl(const DDCCIControl&) = delete;
    DDCCIControl& operator=(const DDCCIControl&) = delete;

    // Can the display be reached?
    virtual bool test() = 0;
    // Copies up to 128 bytes of the known EDID; true when there is one.
    virtual bool readEDID(unsigned char* out);
    // One reply: the payload length with the payload at buf[0], or -1.
    virtual int read(unsigned char* buf, unsigned maxBytes) = 0;
    // Frames and writes one command: 0 or -1.
    virtual int write(unsigned char* payload, unsigned len, unsigned delayMs) = 0;
    virtual bool hardwareReconnect();
    virtual bool unlockHardware();

    int displayId() const { return m_displayId; }
    int lastError() const { return m_lastError; }

protected:
    void setEDID(const QByteArray& edid) { m_edid = edid; }
    void setLastError(int error) { m_lastError = error; }

private:
    int m_displayId;
    QByteArray m_edid;
    int m_lastError = 0;
};
