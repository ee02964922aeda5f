#pragma once

#include "platform/HidDevices.h"
#include "sensors/CSensor.h"

#include <QStringList>

#include <memory>

class HidAPIWrapper;

// The maker's own sensors on USB HID: handheld and front sensors that speak a short text
// protocol. The host sends one command line in an output report and reads one answer line
// per input report; the answer echoes the command word, then the results.
class KaldoSensorHID : public CSensor
{
    Q_OBJECT
public:
    // One display-specific calibration table of the device.
    struct SpecificCalibration
    {
        int group = 0;
        int index = 0;
        int productCode = -1;
        QString modelName;
    };

    // `request`: a serial number or device path to pick one device; empty takes the first.
    explicit KaldoSensorHID(QString request = QString());
    ~KaldoSensorHID() override;

    static constexpr int ReplyTimeoutMs = 2000;
    static constexpr int MaxCommandLength = 63;

    bool SetParameters() override;
    bool setMeasuringType(int type) override;
    int GetMeasuringType() override { return m_measuringType; }
    bool canFetchMeasuringType() override { return true; }
    void getDisplaySpecificMeasuringType(const DisplayInfo& display) override;
    bool IsConnected() override;
    void DestroyConnectionHandle() override;
    bool InternalCalibrate() override;
    bool DoMeasure() override;
    bool IsSensorCalibrationNeeded() override { return false; }
    QString vendor() override;
    QString model() override;
    QString serial() override;
    bool SetOption(int option, bool on) override;

    // Opens the first matching device, or the one whose serial or path equals `request`
    // (any case); a request that begins with "INT" picks a display's built-in sensor,
    // which an empty request never takes.
    bool connect(const QString& request, bool reportProblems = false);
    bool reconnect(bool reportProblems = false);
    bool isOpen() const;
    const HidDeviceInfo& deviceInfo() const;

    bool writeHid(const QString& text);
    bool readHid(QString& text);
    bool writeReadHid(const QString& command, QString& reply);
    static bool parseReply(const QString& reply, QStringList& tokens);
    // The results after the echo; false when the echo is not `command`'s first word.
    static bool parseReply(const QString& reply, const QString& command, QStringList& tokens);

    QString getFwVersion();
    bool getSensorInfo(unsigned& first, unsigned& second, unsigned& third);
    bool enumCalibrations(QStringList& calibrations);
    bool currentCalibration(int& group, int& index);
    bool selectCalibration(int group, int index);
    bool loadSpecificCalibrationsList();
    const QList<SpecificCalibration>& specificCalibrations() const { return m_specific; }
    // The maker's names for what the device calls itself in other spellings.
    void fixNames(QString& vendor, QString& model) const;

    // Service use: the firmware mode ("sensor" or "bootloader"; empty when unknown), the
    // identity stored on the device, its calibration tables and data pages, raw converter
    // values for diagnostics, and a restart. Data and arguments travel in one report, so a
    // command line longer than 63 characters is refused.
    QString getMode();
    bool setMode(const QString& mode);
    bool setSerial(const QString& serial);
    bool setManufacturer(const QString& manufacturer);
    bool setModel(const QString& model);
    int tablesCount();
    bool tableInfo(int table, QStringList& description);
    bool addTable(const QString& data);
    bool deleteTables();
    bool setFwData(int page, const QString& data);
    bool writePage(int page, const QString& data);
    bool rawAdc(QList<double>& values);
    bool autoRawAdc(QList<double>& values);
    bool autoCorrection(QList<double>& values);
    bool timeRawMeasure(int timeMs, int samples, QList<double>& values);
    bool reset();

    // True for devices whose USB strings name the maker (or a partner) and its sensors.
    static bool isKaldoDevice(const HidDeviceInfo& device);
    // Whether this class drives `device`.
    virtual bool accepts(const HidDeviceInfo& device) const { return isKaldoDevice(device); }

protected:
    // Asks one command whose answer has results; false (logged with `what`) otherwise.
    bool ask(const QString& command, QStringList& results, const char* what);
    QString textAnswer(const QString& command);

    std::unique_ptr<HidAPIWrapper> m_hid;
    QString m_request;
    int m_measuringType = LCD;
    int m_group = -1;
    int m_index = -1;
    QList<SpecificCalibration> m_specific;
    QString m_problem;

private:
    void flushInput();
    // A command answered by its echo alone or with results that the caller does not need.
    bool done(const QString& command, const char* what);
    bool rawValues(const QString& command, QList<double>& values, const char* what);
};
