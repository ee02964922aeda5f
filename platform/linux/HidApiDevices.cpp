#include "platform/linux/HidApiDevices.h"

#include <QMutex>
#include <QMutexLocker>

#include <hidapi.h>

namespace {

// hid_init and hid_exit are not thread-safe and count nothing: one user count for the process.
QMutex g_initMutex;
int g_users = 0;

QString wide(const wchar_t* text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

class HidApiDevice : public HidDevice
{
public:
    explicit HidApiDevice(hid_device* handle) : m_handle(handle) {}
    ~HidApiDevice() override { hid_close(m_handle); }
    HidApiDevice(const HidApiDevice&) = delete;
    HidApiDevice& operator=(const HidApiDevice&) = delete;

    int write(const QByteArray& report) override
    {
        const int n = hid_write(m_handle, reinterpret_cast<const unsigned char*>(report.constData()),
                                static_cast<size_t>(report.size()));
        remember(n);
        return n;
    }

    int read(QByteArray& report, int maxLength, int timeoutMs) override
    {
        report.resize(std::max(maxLength, 0));
        const int n = hid_read_timeout(m_handle, reinterpret_cast<unsigned char*>(report.data()),
                                       static_cast<size_t>(report.size()), timeoutMs);
        report.resize(std::max(n, 0));
        remember(n);
        return n;
    }

    int sendFeatureReport(const QByteArray& report) override
    {
        const int n =
            hid_send_feature_report(m_handle, reinterpret_cast<const unsigned char*>(report.constData()),
                                    static_cast<size_t>(report.size()));
        remember(n);
        return n;
    }

    int getFeatureReport(quint8 reportId, QByteArray& report, int maxLength) override
    {
        report.fill('\0', std::max(maxLength, 1));
        report[0] = static_cast<char>(reportId);
        const int n = hid_get_feature_report(m_handle, reinterpret_cast<unsigned char*>(report.data()),
                                             static_cast<size_t>(report.size()));
        report.resize(std::max(n, 0));
        remember(n);
        return n;
    }

    QString lastError() const override { return m_error; }

private:
    void remember(int result)
    {
        if (result < 0)
            m_error = wide(hid_error(m_handle));
    }

    hid_device* m_handle;
    QString m_error;
};

} // namespace

HidApiDevices::HidApiDevices()
{
    QMutexLocker locker(&g_initMutex);
    if (g_users == 0 && hid_init() != 0)
        return;
    ++g_users;
    m_initialised = true;
}

HidApiDevices::~HidApiDevices()
{
    if (!m_initialised)
        return;
    QMutexLocker locker(&g_initMutex);
    if (--g_users == 0)
        hid_exit();
}

QList<HidDeviceInfo> HidApiDevices::enumerate(quint16 vendorId, quint16 productId) const
{
    QList<HidDeviceInfo> result;
    if (!m_initialised)
        return result;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (const hid_device_info* it = list; it; it = it->next) {
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(it->path);
        info.vendorId = it->vendor_id;
        info.productId = it->product_id;
        info.serialNumber = wide(it->serial_number);
        info.manufacturer = wide(it->manufacturer_string);
        info.product = wide(it->product_string);
        info.interfaceNumber = it->interface_number;
        result.append(info);
    }
    hid_free_enumeration(list);
    return result;
}

std::unique_ptr<HidDevice> HidApiDevices::open(const QString& path, QString* error) const
{
    hid_device* handle = m_initialised ? hid_open_path(path.toLocal8Bit().constData()) : nullptr;
    if (!handle) {
        if (error)
            *error = m_initialised
                         ? QStringLiteral("can't open HID device %1: %2").arg(path, wide(hid_error(nullptr)))
                         : QStringLiteral("the HID library did not start");
        return nullptr;
    }
    return std::make_unique<HidApiDevice>(handle);
}
