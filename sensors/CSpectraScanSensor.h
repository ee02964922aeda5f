#pragma once

#include "sensors/CSensor.h"

#include <QByteArray>

#include <memory>

class QSerialPort;
struct SerialPortInfo;

// SpectraScan spectroradiometers on a serial port. The device listens only in remote mode,
// which "PHOTO" opens and "Q" closes (its keypad is dead meanwhile, so the mode is left when
// the connection ends). Every command is one line ending in a carriage return and is answered
// by one line whose first field is the device's error code, 0000 when all went well.
class CSpectraScanSensor : public CSensor
{
    Q_OBJECT
public:
    static constexpr int ReplyTimeoutMs = 2000;
    // A spectral measurement of a dark patch integrates for seconds.
    static constexpr int MeasureTimeoutMs = 30000;

    // `port`: the serial port index as the platform counts them; below 0 tries every port it lists.
    explicit CSpectraScanSensor(int port = -1);
    ~CSpectraScanSensor() override;

    bool SetParameters() override { return isOpen(); }
    bool setMeasuringType(int type) override { return IsMeasuringTypeSupport(type); }
    bool IsConnected() override;
    bool hasConnectionProblems(QString& message) override;
    void DestroyConnectionHandle() override;
    // The device takes its dark reading itself before every measurement.
    bool InternalCalibrate() override { return isOpen(); }
    bool IsSensorCalibrationNeeded() override { return false; }
    bool DoMeasure() override;
    bool IsDistance() override { return true; }
    QString vendor() override { return QStringLiteral("SpectraScan"); }
    QString model() override { return m_model; }
    QString serial() override { return m_serial; }

    bool isOpen() const;
    // The port the device answered on, -1 before.
    int port() const { return m_port; }

private:
    bool openPort(const SerialPortInfo& port);
    // Sends `command` and returns the fields of its answer after an error code of 0000; empty
    // when the device did not answer, answered with an error, or gave fewer than `fields`.
    QStringList request(const QByteArray& command, int timeoutMs, int fields);
    QByteArray readLine(int timeoutMs);
    void leaveRemoteMode();
    void lost(const QString& why);

    int m_port;
    std::unique_ptr<QSerialPort> m_line;
    QByteArray m_buffer;
    QString m_model;
    QString m_serial;
    QString m_problem;
};
