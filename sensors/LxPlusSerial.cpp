#include "sensors/LxPlusSerial.h"

#include "platform/SerialPorts.h"
#include "sensors/SerialTextLine.h"

#include <QDebug>
#include <QSerialPort>

#include <cmath>

namespace {

const QByteArray kIdentify = QByteArrayLiteral("*IDN?");
const QByteArray kEchoOn = QByteArrayLiteral("ECHO ON");
const QByteArray kAutoRange = QByteArrayLiteral("PHOTO:RANGE:AUTO ON");
const QByteArray kMeasure = QByteArrayLiteral("MEASURE:PHOTO?");

QByteArray unitCommand(LxPlusSerial::Unit unit)
{
    switch (unit) {
    case LxPlusSerial::Unit::CandelaPerSquareMetre:
        return QByteArrayLiteral("UNIT:PHOTO CD_M2");
    case LxPlusSerial::Unit::Lux:
        return QByteArrayLiteral("UNIT:PHOTO LX");
    case LxPlusSerial::Unit::FootLambert:
        return QByteArrayLiteral("UNIT:PHOTO FL");
    case LxPlusSerial::Unit::FootCandle:
        return QByteArrayLiteral("UNIT:PHOTO FC");
    }
    return {};
}

} // namespace

LxPlusSerial::LxPlusSerial(int port) : CSensor(SENSOR_LXPLUS, CONNIFACE_USB), m_port(port) {}

LxPlusSerial::~LxPlusSerial() = default;

bool LxPlusSerial::isOpen() const
{
    return m_serial && m_serial->isOpen();
}

void LxPlusSerial::lost(const QString& why)
{
    qDebug() << "LxPlusSerial: device lost:" << why;
    m_problem = why;
    m_serial.reset();
    m_echo = false;
}

bool LxPlusSerial::writeLine(const QByteArray& command)
{
    if (!isOpen())
        return false;
    // What came before belongs to an earlier command that was given up on.
    m_buffer.clear();
    m_serial->readAll();
    const QByteArray line = command + '\n';
    if (m_serial->write(line) != line.size() || !m_serial->waitForBytesWritten(ReplyTimeoutMs)) {
        lost(m_serial->errorString());
        return false;
    }
    m_sent.insert(command);
    return true;
}

QByteArray LxPlusSerial::readAnswer()
{
    if (!isOpen())
        return {};
    QString failure;
    const QByteArray line =
        SerialTextLine::read(*m_serial, m_buffer, ReplyTimeoutMs, "LxPlusSerial", failure);
    if (!failure.isEmpty())
        lost(failure);
    return line;
}

bool LxPlusSerial::send(const QByteArray& command)
{
    if (!writeLine(command))
        return false;
    if (!m_echo)
        return true;
    for (;;) {
        const QByteArray line = readAnswer();
        if (line == command)
            return true;
        if (line.isEmpty()) {
            qDebug() << "LxPlusSerial: no echo of" << command;
            return false;
        }
        if (!m_sent.contains(line)) {
            qDebug() << "LxPlusSerial: unexpected answer to" << command << ":" << line;
            return false;
        }
    }
}

QByteArray LxPlusSerial::query(const QByteArray& command)
{
    if (!writeLine(command))
        return {};
    for (;;) {
        const QByteArray line = readAnswer();
        if (line.isEmpty()) {
            qDebug() << "LxPlusSerial: no answer to" << command;
            return {};
        }
        if (!m_sent.contains(line))
            return line;
    }
}

bool LxPlusSerial::openPort(const SerialPortInfo& port)
{
    const QString& name = port.location;
    // A virtual port takes any rate; this is what a real one wants.
    std::unique_ptr<QSerialPort> serial = SerialTextLine::open(name, QSerialPort::Baud115200, m_problem);
    if (!serial)
        return false;
    m_serial = std::move(serial);
    m_echo = false;
    const QByteArray identity = query(kIdentify);
    // Maker, model, serial, firmware, separated by commas.
    const QStringList parts = QString::fromLatin1(identity).split(QLatin1Char(','));
    if (parts.size() < 2 || parts.at(0).trimmed().isEmpty() || parts.at(1).trimmed().isEmpty()) {
        if (!identity.isEmpty())
            qDebug() << "LxPlusSerial: not an identity:" << identity << "on" << name;
        m_serial.reset();
        return false;
    }
    m_identity.clear();
    for (const QString& part : parts)
        m_identity << part.trimmed();
    m_port = port.number;
    qDebug() << "LxPlusSerial: found" << identity << "on" << name;
    return true;
}

bool LxPlusSerial::IsConnected()
{
    if (isOpen())
        return !query(kIdentify).isEmpty();
    m_problem.clear();
    return SerialTextLine::probe(m_port, [this](const SerialPortInfo& port) { return openPort(port); });
}

bool LxPlusSerial::hasConnectionProblems(QString& message)
{
    message = m_problem;
    return !m_problem.isEmpty();
}

void LxPlusSerial::DestroyConnectionHandle()
{
    m_serial.reset();
    m_echo = false;
}

bool LxPlusSerial::SetParameters()
{
    if (!isOpen() || !send(kEchoOn))
        return false;
    // From here on every command comes back before its answer: a missing echo is a lost device.
    m_echo = true;
    return send(kAutoRange) && setUnit(Unit::CandelaPerSquareMetre);
}

bool LxPlusSerial::setUnit(Unit unit)
{
    return send(unitCommand(unit));
}

bool LxPlusSerial::setMeasuringType(int type)
{
    // One calibration for every display technology.
    return IsMeasuringTypeSupport(type);
}

bool LxPlusSerial::readValue(double& value)
{
    const QByteArray answer = query(kMeasure);
    // The number may be followed by the unit.
    const QByteArray number = answer.simplified().split(' ').value(0);
    bool ok = false;
    value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0) {
        qDebug() << "LxPlusSerial::DoMeasure error. can't read a value from" << answer;
        return false;
    }
    return true;
}

bool LxPlusSerial::DoMeasure()
{
    double luminance = 0;
    if (!isOpen() || !readValue(luminance))
        return false;
    setReading(0.0, luminance, 0.0);
    return true;
}

bool LxPlusSerial::getAmbientLuminanceLux(double& lux)
{
    if (!isOpen() || !setUnit(Unit::Lux))
        return false;
    const bool ok = readValue(lux);
    // Back to luminance whatever came, so the next display measurement is not in lux.
    return setUnit(Unit::CandelaPerSquareMetre) && ok;
}
