#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <vector>

// One DDC/CI channel to one display. The base class owns the packet framing (addresses,
// length byte, checksum), the checking and repair of replies, the reachability test and
// the display's EDID; a subclass only moves raw bytes. Bus calls of one transport are
// serialised by its mutex; a failed call returns -1 and leaves `lastError()` set.
class DDCCIControl
{
public:
    enum LastError
    {
        ErrorNone = 0,
        ErrorFirstByte = 1,
        ErrorChecksum = 2,
        ErrorBusCall = 5
    };
    enum ProtocolKind
    {
        ProtocolStandard = 0,
        ProtocolWideDDCCI = 1,
        ProtocolWideUSB = 2
    };

    static constexpr unsigned char DDCCI_ADDRESS = 0x6E;
    static constexpr unsigned char DDCCI_ADDRESS_7BIT = 0x37;
    static constexpr unsigned char I2C_HOST_ADDRESS = 0x51;
    static constexpr unsigned char MAGIC_XOR = 0x50;
    // The longest package either framing produces: 127 payload bytes and three more.
    static constexpr unsigned MaxPackageSize = 130;

    explicit DDCCIControl(int displayId);
    virtual ~DDCCIControl();
    DDCCIControl(const DDCCIControl&) = delete;
    DDCCIControl& operator=(const DDCCIControl&) = delete;

    // Can the display be reached?
    virtual bool test();
    // Copies up to 128 bytes of the known EDID; true when there is one.
    virtual bool readEDID(unsigned char* out);
    // One reply: the payload length with the payload at buf[0], or -1.
    virtual int read(unsigned char* buf, unsigned maxBytes) = 0;
    // Frames and writes one command: 0 or -1.
    virtual int write(unsigned char* payload, unsigned len, unsigned delayMs) = 0;
    virtual bool hardwareReconnect();
    virtual bool unlockHardware();
    virtual unsigned char calculateChecksum(unsigned char seed, const unsigned char* data, unsigned len);
    // Frames `payload` for `address`; the package length.
    virtual int makeI2CPackage(unsigned char* out, const unsigned char* payload, unsigned char len,
                               unsigned char address);
    // Checks, repairs and unwraps a reply in place: the payload length, or -1.
    virtual int handleReadPackage(unsigned char* pkg, unsigned len);
    virtual int checkAndFixReadPackage(unsigned char* pkg, unsigned len);
    // The number of bytes to read for a reply of `payloadLen` payload bytes.
    virtual unsigned readPkgSize(unsigned payloadLen);

    // Accept the next reply even if its checksum is wrong.
    void skipChecksumVerificationOnce();

    // Marks the transport busy under `name` for every process of the session; false when
    // another holder has it.
    bool reserveDDCCI(const QString& name);
    bool isDDCCIReserved(const QString& name) const;
    void releaseReservedDDCCI(const QString& name);

    int displayId() const { return m_displayId; }
    int lastError() const { return m_lastError; }
    int protocolKind() const { return m_protocolKind; }
    const std::vector<unsigned char>& probeCodes() const { return m_probeCodes; }
    QString manufacturer() const { return m_manufacturer; }

protected:
    void setEDID(const QByteArray& edid) { m_edid = edid; }
    void setLastError(int error) { m_lastError = error; }
    void setProtocolKind(int kind) { m_protocolKind = kind; }
    QMutex& busMutex() { return m_busMutex; }

private:
    int checkWidePackage(unsigned char* pkg, unsigned len);

    int m_displayId;
    QByteArray m_edid;
    QString m_manufacturer;
    int m_lastError = ErrorNone;
    int m_protocolKind = ProtocolStandard;
    bool m_skipChecksumOnce = false;
    std::vector<unsigned char> m_probeCodes;
    QMutex m_busMutex;
    QString m_reservation;
};
