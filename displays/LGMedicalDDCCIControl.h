#pragma once

#include "displays/ByteChannelDDCCIControl.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QSerialPort;

// DDC/CI packages carried over the COM port of an LG medical display: the framed package is
// written as it would go on the bus, and the display's reply package comes back on the line.
// A display without a port fails the test at once.
class LGMedicalDDCCIControl : public ByteChannelDDCCIControl
{
public:
    LGMedicalDDCCIControl(int displayId, QString portName);
    ~LGMedicalDDCCIControl() override;

    // A COM port chosen for `displayId` by hand (a name such as "COM3" or "ttyUSB0", or a device
    // path); it wins over the port the display was found on.
    static void assignPort(int displayId, const QString& portName);
    static QString assignedPort(int displayId);

    // How long a reply may take to arrive once asked for.
    static constexpr int ReplyTimeoutMs = 500;
    static constexpr int BaudRate = 9600;

protected:
    bool isChannelOpen() const override;
    bool openChannel() override;
    void closeChannel() override;
    void beforeSend() override;
    bool sendPackage(const QByteArray& package) override;
    int receivePackage(QByteArray& reply, unsigned expected) override;
    QString channelName() const override { return m_portName; }
    QString channelError() const override;

private:
    QString m_portName;
    std::unique_ptr<QSerialPort> m_port;
};
