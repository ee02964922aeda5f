#include "sensors/VendorLibrarySensor.h"

#include <QDebug>
#include <QLibrary>

VendorLibrarySensor::VendorLibrarySensor(sensortype_t manufacturer, conniface_t iface, Driver driver)
    : CSensor(manufacturer, iface), m_driver(std::move(driver))
{
}

VendorLibrarySensor::~VendorLibrarySensor()
{
    DestroyConnectionHandle();
}

QString VendorLibrarySensor::className() const
{
    return QString::fromLatin1(metaObject()->className());
}

bool VendorLibrarySensor::IsConnected()
{
    m_problem.clear();
    if (m_driver.libraries.isEmpty()) {
        qDebug().noquote() << className() + QStringLiteral(": ") + m_driver.shellReason +
                                  QStringLiteral("; not available in this build");
        return false;
    }
    if (!m_library) {
        for (const QString& name : m_driver.libraries) {
            auto library = std::make_unique<QLibrary>(name);
            if (library->load()) {
                m_library = std::move(library);
                break;
            }
        }
    }
    const QString names =
        QLatin1Char('"') + m_driver.libraries.join(QStringLiteral("\", \"")) + QLatin1Char('"');
    if (!m_library) {
        qDebug().noquote() << className() + QStringLiteral(": vendor library ") + names +
                                  QStringLiteral(" not found; sensor not available");
        return false;
    }
    QStringList missing;
    for (const QString& symbol : m_driver.symbols) {
        if (!m_library->resolve(symbol.toLatin1().constData()))
            missing << symbol;
    }
    // The library is there, so a device of this family may well be attached: tell the caller.
    m_problem =
        missing.isEmpty()
            ? QStringLiteral("%1 is installed, but this build cannot measure through it")
                  .arg(m_library->fileName())
            : QStringLiteral("%1 lacks %2").arg(m_library->fileName(), missing.join(QStringLiteral(", ")));
    qDebug().noquote() << className() + QStringLiteral(": ") + m_problem;
    return false;
}

bool VendorLibrarySensor::hasConnectionProblems(QString& message)
{
    message = m_problem;
    return !m_problem.isEmpty();
}

void VendorLibrarySensor::DestroyConnectionHandle()
{
    // Unloading is left to the process end: a maker's library may keep threads of its own.
    m_library.reset();
}
