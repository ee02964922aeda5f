#include "tools/siminstrument/SimSerialInstrument.h"

#include <QMutexLocker>
#include <QSerialPort>
#include <QThread>

#include <algorithm>

namespace {

// What one unit shows of the light: luminance units for the display, illuminance ones for the room.
QByteArray format(double value)
{
    return QByteArray::number(value, 'f', 3);
}

} // namespace

SimSerialInstrument::SimSerialInstrument(Protocol protocol)
    : m_protocol(protocol),
      m_identity(protocol == Protocol::LxPlus ? QByteArrayLiteral("LxPlus,LX-2 Sim,LX0042,1.07")
                                              : QByteArrayLiteral("PR-655 Sim,SS0655"))
{
}

SimSerialInstrument::~SimSerialInstrument()
{
    stop();
}

bool SimSerialInstrument::start(const QString& portName, QString* error)
{
    stop();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("SimSerialInstrument"));
    m_context = std::make_unique<QObject>();
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    bool opened = false;
    QString why;
    QMetaObject::invokeMethod(
        m_context.get(),
        [&] {
            auto port = std::make_unique<QSerialPort>(portName);
            if (!port->open(QIODevice::ReadWrite)) {
                why = port->errorString();
                return;
            }
            m_port = port.release();
            QObject::connect(m_port, &QSerialPort::readyRead, m_port, [this] { serve(); });
            opened = true;
        },
        Qt::BlockingQueuedConnection);
    if (!opened) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(portName, why);
        stop();
    }
    return opened;
}

void SimSerialInstrument::closePort()
{
    delete m_port;
    m_port = nullptr;
    m_pending.clear();
}

void SimSerialInstrument::stop()
{
    if (!m_thread)
        return;
    QMetaObject::invokeMethod(
        m_context.get(), [this] { closePort(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    m_context.reset();
    m_thread.reset();
}

void SimSerialInstrument::serve()
{
    m_pending += m_port->readAll();
    // Either end of line ends a command: the lux meter's are LF, the spectroradiometer's CR.
    const auto lineEnd = [this] {
        const qsizetype lf = m_pending.indexOf('\n');
        const qsizetype cr = m_pending.indexOf('\r');
        return lf < 0 ? cr : cr < 0 ? lf : std::min(lf, cr);
    };
    for (qsizetype end = lineEnd(); end >= 0 && m_port; end = lineEnd()) {
        const QByteArray line = m_pending.left(end).trimmed();
        m_pending.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        std::function<void()> hook;
        {
            QMutexLocker locker(&m_mutex);
            if (isMeasurement(line))
                hook = m_measurementHook;
        }
        if (hook) {
            hook();
            continue;
        }
        for (const QByteArray& reply : answer(line))
            m_port->write(reply + "\r\n");
    }
}

bool SimSerialInstrument::isMeasurement(const QByteArray& line) const
{
    return line == (m_protocol == Protocol::LxPlus ? "MEASURE:PHOTO?" : "M1");
}

QList<QByteArray> SimSerialInstrument::answerSpectraScan(const QByteArray& line)
{
    // Outside remote mode the device belongs to its keypad and says nothing.
    if (line == "PHOTO") {
        m_remote = true;
        return {QByteArrayLiteral(" REMOTE MODE")};
    }
    if (!m_remote)
        return {};
    if (line == "Q") {
        m_remote = false;
        return {};
    }
    if (line == "D110")
        return {QByteArrayLiteral("0000,") + m_identity};
    if (line == "M1") {
        if (!m_measurementReply.isEmpty())
            return {m_measurementReply};
        return {QByteArrayLiteral("0000,1,") + QByteArray::number(m_light.luminance, 'e', 4) + ',' +
                QByteArray::number(m_light.x, 'f', 4) + ',' + QByteArray::number(m_light.y, 'f', 4)};
    }
    // Unknown command.
    return {QByteArrayLiteral("0010")};
}

QList<QByteArray> SimSerialInstrument::answer(const QByteArray& line)
{
    QMutexLocker locker(&m_mutex);
    m_received << QString::fromLatin1(line);
    if (m_silent)
        return {};
    if (m_protocol == Protocol::SpectraScan)
        return answerSpectraScan(line);
    if (line == "ECHO ON")
        m_echo = true;
    else if (line == "ECHO OFF")
        m_echo = false;
    QList<QByteArray> replies;
    if (m_echo)
        replies << line;
    if (line == "*IDN?") {
        replies << m_identity;
    } else if (line.startsWith("UNIT:PHOTO ")) {
        const QByteArray unit = line.mid(11);
        if (unit == "CD_M2" || unit == "LX" || unit == "FL" || unit == "FC")
            m_unit = unit;
    } else if (line == "MEASURE:PHOTO?") {
        if (!m_measurementReply.isEmpty())
            replies << m_measurementReply;
        else if (m_unit == "CD_M2")
            replies << format(m_light.luminance);
        else if (m_unit == "FL")
            replies << format(m_light.luminance / 3.4262591);
        else if (m_unit == "FC")
            replies << format(m_light.lux / 10.7639104);
        else
            replies << format(m_light.lux);
    }
    return replies;
}

void SimSerialInstrument::setIdentity(const QByteArray& identity)
{
    QMutexLocker locker(&m_mutex);
    m_identity = identity;
}

void SimSerialInstrument::setLight(Light light)
{
    QMutexLocker locker(&m_mutex);
    m_light = light;
}

void SimSerialInstrument::setSilent(bool silent)
{
    QMutexLocker locker(&m_mutex);
    m_silent = silent;
}

void SimSerialInstrument::setMeasurementReply(const QByteArray& reply)
{
    QMutexLocker locker(&m_mutex);
    m_measurementReply = reply;
}

void SimSerialInstrument::setMeasurementHook(std::function<void()> instead)
{
    QMutexLocker locker(&m_mutex);
    m_measurementHook = std::move(instead);
}

QStringList SimSerialInstrument::received() const
{
    QMutexLocker locker(&m_mutex);
    return m_received;
}
