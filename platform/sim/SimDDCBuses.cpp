#include "platform/sim/SimDDCBuses.h"

#include "platform/sim/SimMccsMonitor.h"
#include "platform/sim/SimWorkstation.h"

#include <QDir>

SimDDCBuses::SimDDCBuses(const SimWorkstation& workstation, QString stateDirectory)
    : m_workstation(workstation), m_stateDirectory(std::move(stateDirectory))
{
}

QString SimDDCBuses::stateFile(const QString& output) const
{
    QString name = output;
    for (QChar& c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return m_stateDirectory + QStringLiteral("/ddc-") + name + QStringLiteral(".json");
}

std::unique_ptr<DDCBus> SimDDCBuses::open(const QString& output, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    if (!display || !display->connected) {
        if (error)
            *error = QStringLiteral("no connected output %1").arg(output);
        return nullptr;
    }
    QDir().mkpath(m_stateDirectory);
    const QJsonValue ddc = display->config.value(QStringLiteral("ddc"));
    if (!ddc.isObject()) {
        const QJsonObject silent{{QStringLiteral("faults"), QJsonObject{{QStringLiteral("noAnswer"), true}}}};
        return std::make_unique<SimMccsMonitor>(silent, QString());
    }
    return std::make_unique<SimMccsMonitor>(ddc.toObject(), stateFile(output));
}

std::unique_ptr<DDCBus> SimDDCBuses::openUsb(const QString& output, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    const QJsonObject ddc = display ? display->config.value(QStringLiteral("ddc")).toObject() : QJsonObject();
    if (!display || !display->connected || !ddc.contains(QStringLiteral("wide"))) {
        if (error)
            *error = QStringLiteral("no WIDE display on output %1").arg(output);
        return nullptr;
    }
    QDir().mkpath(m_stateDirectory);
    return std::make_unique<SimMccsMonitor>(ddc, stateFile(output), true);
}

std::unique_ptr<SimMccsMonitor> SimDDCBuses::openSerial(const QString& output, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    QJsonObject ddc = display ? display->config.value(QStringLiteral("ddc")).toObject() : QJsonObject();
    if (!display || !display->connected || !display->config.value(QStringLiteral("serialPort")).isObject() ||
        ddc.isEmpty()) {
        if (error)
            *error = QStringLiteral("no display with a serial line on output %1").arg(output);
        return nullptr;
    }
    QDir().mkpath(m_stateDirectory);
    ddc.remove(QStringLiteral("serialOnly"));
    ddc.remove(QStringLiteral("usbOnly"));
    return std::make_unique<SimMccsMonitor>(ddc, stateFile(output));
}
