#pragma once

#include "displays/DDCCIControl.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QSerialPort;

// DDC/CI packages carried over the COM port of an LG medical display: the framed package is
// written as it would go on the bus, and the display's reply package comes back on the line.
// The port of a display is assigned by name; a display without one fails the test at once.
class LGMedicalDDCCIControl : public DDCCIControl
{
public:
    LGMedicalDDCCIControl(int displayId, QString portName);
    ~LGMedicalDDCCIControl() override;

    bool test() override;
    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;
    bool hardwareReconnect() override;
    bool unlockHardware() override;

    // The COM port (a name such as "COM3" or "ttyUSB0", or a device path) of `displayId`'s line.
    static void assignPort(int displayId, const QString& portName);
    static QString assignedPort(int displayId);

    // How long a reply may take to arrive once asked for.
    static constexpr int ReplyTimeoutMs = 500;
    static constexpr int BaudRate = 9600;

private:
    bool open();

    QString m_portName;
    std::unique_ptr<QSerialPort> m_port;
    bool m_openFailureLogged = false;
};
