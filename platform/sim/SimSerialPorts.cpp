#include "platform/sim/SimSerialPorts.h"

#include "platform/DDCBus.h"
#include "platform/sim/SimDDCBuses.h"
#include "platform/sim/SimMccsMonitor.h"
#include "platform/sim/SimSerialLine.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>

SimSerialPorts::SimSerialPorts(const SimWorkstation& workstation, const SimDDCBuses& buses)
    : m_workstation(workstation), m_buses(buses)
{
}

SimSerialPorts::~SimSerialPorts()
{
    QMutexLocker lock(&m_mutex);
    m_lines.clear();
}

QList<SerialPortInfo> SimSerialPorts::enumerate() const
{
    QList<SerialPortInfo> ports;
    const QJsonObject numbered = m_workstation.serialPorts();
    for (auto it = numbered.begin(); it != numbered.end(); ++it) {
        const QString device = it.value().toString();
        bool ok = false;
        const int number = it.key().toInt(&ok);
        if (!device.isEmpty())
            ports.append({QStringLiteral("COM") + it.key(),
                          device,
                          QStringLiteral("simulated port"),
                          {},
                          {},
                          ok && number >= 0 ? number : -1});
    }
    // In the order of their numbers, as a real system lists them ("2" before "11").
    std::stable_sort(ports.begin(), ports.end(),
                     [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.number < b.number; });
    QMutexLocker lock(&m_mutex);
    for (const SimDisplay& display : m_workstation.displays()) {
        const QJsonObject port = display.config.value(QStringLiteral("serialPort")).toObject();
        const QString host = port.value(QStringLiteral("host")).toString();
        const QString line = port.value(QStringLiteral("line")).toString();
        if (!display.connected || host.isEmpty())
            continue;
        ports.append({QFileInfo(host).fileName(),
                      host,
                      QStringLiteral("simulated display ") + display.output,
                      {},
                      {},
                      -1});
        if (line.isEmpty() || m_lines.count(line) != 0)
            continue;
        QString error;
        std::unique_ptr<SimMccsMonitor> monitor = m_buses.openSerial(display.output, &error);
        if (!monitor) {
            qDebug().noquote() << "SimSerialPorts:" << error;
            continue;
        }
        auto served = std::make_unique<SimSerialLine>(line, std::move(monitor));
        served->start();
        m_lines.emplace(line, std::move(served));
    }
    return ports;
}
