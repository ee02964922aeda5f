#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;
class QSerialPort;
class QThread;

// A measuring device answering on one end of a serial line (a pseudo-terminal of a test).
// A lux meter of the LxPlus family: identity, echo, auto range, the four units and the
// measurement query. A SpectraScan spectroradiometer: remote mode, identity and a luminance
// with its chromaticity, always in cd/m², each answer behind an error code. It serves
// on a thread of its own, so the caller may block while a program talks to it. The light it
// reports and its faults can be changed at any time.
class SimSerialInstrument
{
public:
    enum class Protocol
    {
        LxPlus,
        SpectraScan,
    };

    struct Light
    {
        double luminance = 120.0; // cd/m², what the meter sees of the display
        double lux = 35.0;        // the room's light at the meter
        double x = 0.3127;        // the display's chromaticity
        double y = 0.3290;
    };

    explicit SimSerialInstrument(Protocol protocol = Protocol::LxPlus);
    ~SimSerialInstrument();
    SimSerialInstrument(const SimSerialInstrument&) = delete;
    SimSerialInstrument& operator=(const SimSerialInstrument&) = delete;

    // Opens `portName` and starts answering; false with the reason in `error`.
    bool start(const QString& portName, QString* error = nullptr);
    // Closes the port: to the other end the device is gone.
    void stop();

    void setIdentity(const QByteArray& identity);
    void setLight(Light light);
    // Reads commands but answers nothing.
    void setSilent(bool silent);
    // The measurement query is answered with this text instead of the value (empty: the value).
    void setMeasurementReply(const QByteArray& reply);
    // Runs `instead` (on the instrument's thread) for each measurement query rather than
    // answering it: a test unplugs the line there, in the middle of a measurement.
    void setMeasurementHook(std::function<void()> instead);

    // Every command line received so far, in order.
    QStringList received() const;

private:
    void serve();
    QList<QByteArray> answer(const QByteArray& line);
    QList<QByteArray> answerSpectraScan(const QByteArray& line);
    bool isMeasurement(const QByteArray& line) const;
    void closePort();

    const Protocol m_protocol;
    mutable QMutex m_mutex;
    QByteArray m_identity;
    Light m_light;
    bool m_silent = false;
    bool m_echo = false;
    bool m_remote = false;
    std::function<void()> m_measurementHook;
    QByteArray m_unit = QByteArrayLiteral("LX");
    QByteArray m_measurementReply;
    QStringList m_received;

    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_context; // has m_thread's affinity: work for the port is queued to it
    QSerialPort* m_port = nullptr;      // lives on m_thread; made and deleted there
    QByteArray m_pending;               // touched on m_thread only
};
