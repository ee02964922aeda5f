#pragma once

#include "sensors/CSensor.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

#include <memory>

class QSerialPort;
struct SerialPortInfo;

// Lux meters of the LxPlus family on a virtual serial port: one command line out, and with
// echo on the device repeats each command before its answer. Luminance only: X and Z stay 0.
class LxPlusSerial : public CSensor
{
    Q_OBJECT
public:
    static constexpr int ReplyTimeoutMs = 2000;

    enum class Unit
    {
        CandelaPerSquareMetre,
        Lux,
        FootLambert,
        FootCandle,
    };

    // `port`: the serial port index as the platform counts them; -1 tries every port it lists.
    explicit LxPlusSerial(int port = -1);
    ~LxPlusSerial() override;

    bool SetParameters() override;
    bool setMeasuringType(int type) override;
    bool IsConnected() override;
    bool hasConnectionProblems(QString& message) override;
    void DestroyConnectionHandle() override;
    bool InternalCalibrate() override { return isOpen(); }
    bool DoMeasure() override;
    bool getAmbientLuminanceLux(double& lux) override;
    bool IsColor() override { return false; }
    bool IsSensorCalibrationNeeded() override { return false; }
    bool LuxMeasureEnabled() override { return true; }
    QString vendor() override { return m_identity.value(0); }
    QString model() override { return m_identity.value(1); }
    QString serial() override { return m_identity.value(2); }

    bool isOpen() const;
    // The port the device answered on, -1 before.
    int port() const { return m_port; }
    bool setUnit(Unit unit);

private:
    bool openPort(const SerialPortInfo& port);
    bool writeLine(const QByteArray& command);
    // The next line from the device that is not the echo of a command; empty on time-out.
    QByteArray readAnswer();
    // A command without an answer: with echo on, done when the device repeated it.
    bool send(const QByteArray& command);
    QByteArray query(const QByteArray& command);
    bool readValue(double& value);
    void lost(const QString& why);

    int m_port;
    std::unique_ptr<QSerialPort> m_serial;
    bool m_echo = false;
    // The command lines sent so far: an echo that comes late is recognised and skipped.
    QSet<QByteArray> m_sent;
    QByteArray m_buffer;
    QStringList m_identity;
    QString m_problem;
};
