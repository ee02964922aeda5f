#include "sensors/HidAPIWrapper.h"

#include "platform/HidEnumerationScope.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

HidAPIWrapper::HidAPIWrapper() = default;

HidAPIWrapper::~HidAPIWrapper() = default;

QList<HidDeviceInfo> HidAPIWrapper::enumerate(quint16 vendorId, quint16 productId) const
{
    return HidEnumerationScope::enumerate(Platform::backend().hidDevices(), vendorId, productId);
}

bool HidAPIWrapper::open(const HidDeviceInfo& device)
{
    close();
    m_device = Platform::backend().hidDevices().open(device.path, &m_error);
    if (!m_device)
        return false;
    m_info = device;
    return true;
}

void HidAPIWrapper::close()
{
    m_device.reset();
    m_info = HidDeviceInfo();
}

int HidAPIWrapper::write(const QByteArray& report)
{
    if (!m_device) {
        m_error = QStringLiteral("device not open");
        return -1;
    }
    const int n = m_device->write(report);
    if (n < 0)
        m_error = m_device->lastError();
    return n;
}

int HidAPIWrapper::readTimeout(QByteArray& report, int maxLength, int timeoutMs)
{
    report.clear();
    if (!m_device) {
        m_error = QStringLiteral("device not open");
        return -1;
    }
    const int n = m_device->read(report, maxLength, timeoutMs);
    if (n < 0)
        m_error = m_device->lastError();
    return n;
}

int HidAPIWrapper::sendFeatureReport(const QByteArray& report)
{
    if (!m_device)
        return -1;
    const int n = m_device->sendFeatureReport(report);
    if (n < 0)
        m_error = m_device->lastError();
    return n;
}

int HidAPIWrapper::getFeatureReport(quint8 reportId, QByteArray& report, int maxLength)
{
    if (!m_device)
        return -1;
    const int n = m_device->getFeatureReport(reportId, report, maxLength);
    if (n < 0)
        m_error = m_device->lastError();
    return n;
}
