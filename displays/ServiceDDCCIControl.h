#pragma once

#include "displays/DDCCIControl.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// A DDC/CI channel lent by a local DDC/CI service: every operation is one JSON request over a
// local socket, answered by one JSON reply, each a single line. The service moves raw bytes; the
// framing, checking and repair of packages stay here. The service hands out a channel with "new"
// and takes it back with "delete"; later requests name it by "id".
class ServiceDDCCIControl : public DDCCIControl
{
public:
    // `serviceType` is the kind of channel asked for (1 or 4); `serial` names the display to the
    // service, the display's serial number when empty.
    ServiceDDCCIControl(int displayId, int serviceType, QByteArray serial = {});
    ~ServiceDDCCIControl() override;

    bool test() override;
    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;
    bool hardwareReconnect() override;
    bool unlockHardware() override;

    // The local socket name of the service, for every transport of the process.
    static void setServicePipeName(const QString& name);
    static QString servicePipeName();

    // One request and its reply; on a failure of the exchange itself a reply whose "error" is
    // "serialize error", "connection error", "read timeout" or "parse error". Waits at most
    // `timeoutMs` + 1000 ms for the connection and as long again for the reply.
    static QJsonObject request(const QJsonObject& message, int timeoutMs);

    int serviceType() const { return m_serviceType; }
    int serviceId() const { return m_serviceId; }

private:
    // The reply to `message` sent for this transport's channel; "error" replies are logged.
    QJsonObject call(QJsonObject message, int timeoutMs = 0);
    bool ensureChannel();

    int m_serviceType;
    QByteArray m_serial;
    int m_serviceId = -1;
};
