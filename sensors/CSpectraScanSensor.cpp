#include "sensors/CSpectraScanSensor.h"

#include "platform/SerialPorts.h"
#include "sensors/SerialTextLine.h"

#include <QDebug>
#include <QSerialPort>

#include <cmath>

namespace {

constexpr double kCandelaPerFootLambert = 3.4262591;

const QByteArray kRemoteMode = QByteArrayLiteral("PHOTO");
const QByteArray kQuitRemote = QByteArrayLiteral("Q");
const QByteArray kIdentify = QByteArrayLiteral("D110");
const QByteArray kMeasure = QByteArrayLiteral("M1");

} // namespace

CSpectraScanSensor::CSpectraScanSensor(int port) : CSensor(SENSOR_SPECTRASCAN, CONNIFACE_SERIAL), m_port(port)
{
}

CSpectraScanSensor::~CSpectraScanSensor()
{
    DestroyConnectionHandle();
}

bool CSpectraScanSensor::isOpen() const
{
    return m_line && m_line->isOpen();
}

void CSpectraScanSensor::lost(const QString& why)
{
    qDebug() << "CSpectraScanSensor: device lost:" << why;
    m_problem = why;
    m_line.reset();
}

QByteArray CSpectraScanSensor::readLine(int timeoutMs)
{
    if (!isOpen())
        return {};
    QString failure;
    const QByteArray line = SerialTextLine::read(*m_line, m_buffer, timeoutMs, "CSpectraScanSensor", failure);
    if (!failure.isEmpty())
        lost(failure);
    return line;
}

QStringList CSpectraScanSensor::request(const QByteArray& command, int timeoutMs, int fields)
{
    if (!isOpen())
        return {};
    // What is still buffered answers a command that was given up on.
    m_buffer.clear();
    m_line->readAll();
    const QByteArray line = command + '\r';
    if (m_line->write(line) != line.size() || !m_line->waitForBytesWritten(ReplyTimeoutMs)) {
        lost(m_line->errorString());
        return {};
    }
    const QByteArray answer = readLine(timeoutMs);
    if (answer.isEmpty()) {
        qDebug() << "CSpectraScanSensor: no answer to" << command;
        return {};
    }
    QStringList parts = QString::fromLatin1(answer).split(QLatin1Char(','));
    for (QString& part : parts)
        part = part.trimmed();
    bool numeric = false;
    const int code = parts.first().toInt(&numeric);
    if (!numeric || code != 0 || parts.size() < fields + 1) {
        qDebug() << "CSpectraScanSensor:" << command << "answered" << answer;
        return {};
    }
    parts.removeFirst();
    return parts;
}

bool CSpectraScanSensor::openPort(const SerialPortInfo& port)
{
    const QString& name = port.location;
    std::unique_ptr<QSerialPort> line = SerialTextLine::open(name, QSerialPort::Baud9600, m_problem);
    if (!line)
        return false;
    m_line = std::move(line);
    m_buffer.clear();
    // The remote-mode greeting carries no error code.
    const QByteArray hello = kRemoteMode + '\r';
    const bool written = m_line->write(hello) == hello.size() && m_line->waitForBytesWritten(ReplyTimeoutMs);
    if (!written || !readLine(ReplyTimeoutMs).contains("REMOTE MODE")) {
        m_line.reset();
        return false;
    }
    const QStringList identity = request(kIdentify, ReplyTimeoutMs, 2);
    if (identity.isEmpty() || identity.at(0).isEmpty()) {
        qDebug() << "CSpectraScanSensor: no identity on" << name;
        leaveRemoteMode();
        m_line.reset();
        return false;
    }
    m_model = identity.at(0);
    m_serial = identity.at(1);
    m_port = port.number;
    qDebug().noquote()
        << QStringLiteral("CSpectraScanSensor: found %1 %2 on %3").arg(m_model, m_serial, name);
    return true;
}

bool CSpectraScanSensor::IsConnected()
{
    if (isOpen())
        return !request(kIdentify, ReplyTimeoutMs, 2).isEmpty();
    m_problem.clear();
    return SerialTextLine::probe(m_port, [this](const SerialPortInfo& port) { return openPort(port); });
}

bool CSpectraScanSensor::hasConnectionProblems(QString& message)
{
    message = m_problem;
    return !m_problem.isEmpty();
}

void CSpectraScanSensor::leaveRemoteMode()
{
    if (!isOpen())
        return;
    const QByteArray line = kQuitRemote + '\r';
    if (m_line->write(line) == line.size())
        m_line->waitForBytesWritten(ReplyTimeoutMs);
}

void CSpectraScanSensor::DestroyConnectionHandle()
{
    // Left in remote mode the device could not be used by hand until it is switched off.
    leaveRemoteMode();
    m_line.reset();
}

bool CSpectraScanSensor::DoMeasure()
{
    // Error code, unit (0 foot-lamberts, 1 cd/m²), luminance and the chromaticity x, y.
    const QStringList fields = request(kMeasure, MeasureTimeoutMs, 4);
    if (fields.isEmpty()) {
        qDebug() << "CSpectraScanSensor::DoMeasure error. no measurement";
        return false;
    }
    bool ok[4] = {};
    const int unit = fields.at(0).toInt(&ok[0]);
    double luminance = fields.at(1).toDouble(&ok[1]);
    const double x = fields.at(2).toDouble(&ok[2]);
    const double y = fields.at(3).toDouble(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || (unit != 0 && unit != 1) || !std::isfinite(luminance) ||
        luminance < 0 || !(x >= 0 && x <= 1) || !(y > 0 && y <= 1) || x + y > 1) {
        qDebug() << "CSpectraScanSensor::DoMeasure error. can't parse" << fields;
        return false;
    }
    if (unit == 0)
        luminance *= kCandelaPerFootLambert;
    setReading(x * luminance / y, luminance, (1.0 - x - y) * luminance / y);
    return true;
}
