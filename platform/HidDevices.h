#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// One USB HID device as the system lists it.
struct HidDeviceInfo
{
    // The system's name of the device (a hidraw node, a device interface path); opens it.
    QString path;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
    QString manufacturer;
    QString product;
    int interfaceNumber = -1;
};

// One opened HID device. Used by one thread at a time; closed by destroying it.
class HidDevice
{
public:
    virtual ~HidDevice() = default;

    // Sends one output report; byte 0 is the report id (0 for devices without numbered
    // reports). The number of bytes written, -1 on failure.
    virtual int write(const QByteArray& report) = 0;
    // Waits at most `timeoutMs` for one input report of up to `maxLength` bytes. The number
    // of bytes read, 0 when nothing came in time, -1 when the device failed or is gone.
    virtual int read(QByteArray& report, int maxLength, int timeoutMs) = 0;
    // Feature reports; byte 0 is the report id. Byte counts as above.
    virtual int sendFeatureReport(const QByteArray& report) = 0;
    virtual int getFeatureReport(quint8 reportId, QByteArray& report, int maxLength) = 0;
    // Why the last call failed.
    virtual QString lastError() const = 0;
};

// The HID devices of the machine. Thread-safe; the devices it opens are not.
class HidDevices
{
public:
    virtual ~HidDevices() = default;

    // The attached devices, all of them when both ids are 0.
    virtual QList<HidDeviceInfo> enumerate(quint16 vendorId = 0, quint16 productId = 0) const = 0;
    // Opens the device at `path`; null with the reason in `error`.
    virtual std::unique_ptr<HidDevice> open(const QString& path, QString* error = nullptr) const = 0;
};

// A machine without HID access: nothing is listed, nothing opens.
class NoHidDevices : public HidDevices
{
public:
    QList<HidDeviceInfo> enumerate(quint16 = 0, quint16 = 0) const override { return {}; }
    std::unique_ptr<HidDevice> open(const QString& path, QString* error = nullptr) const override
    {
        if (error)
            *error = QStringLiteral("no HID access on this system: %1").arg(path);
        return nullptr;
    }
};
