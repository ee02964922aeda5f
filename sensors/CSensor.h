#pragma once

#include "sensors/SensorCorrection.h"
#include "sensors/SensorTypes.h"

#include <QDateTime>
#include <QObject>
#include <QRect>
#include <QString>

#include <vector>

class DisplayInfo;

// Any device that measures light. Measuring code asks for luminance or tristimulus
// values without knowing the device; each device class supplies the abstract operations
// and overrides what it does differently. Readings are in cd/m² (lux for ambient light).
// Used by one thread at a time. Shared through std::shared_ptr: a display that carries
// a built-in sensor, the detector's cache and the task that measures may all hold it,
// and the device closes when the last of them lets go.
class CSensor : public QObject
{
    Q_OBJECT
public:
    // The display technology a measurement is tuned for.
    enum MeasuringType
    {
        CRT = 0,
        LCD = 1,
        WhiteLED = 2,
        RGBLED = 9,
        GBrLED = 10,
        OLED = 11,
    };

    CSensor();
    CSensor(sensortype_t manufacturer, conniface_t iface);
    ~CSensor() override;

    virtual bool SetParameters() = 0;
    virtual bool GetIllumination(double& lux, double& colorTemperature);
    virtual bool setMeasuringType(int type) = 0;
    virtual int GetMeasuringType();
    virtual bool IsMeasuringTypeSupport(int type);
    virtual bool setDisplaySpecificMeasuringType(const DisplayInfo& display);
    virtual bool canFetchMeasuringType();
    virtual void getDisplaySpecificMeasuringType(const DisplayInfo& display);
    virtual void getMeasuringTypeString(QString& text);
    virtual bool IsConnected() = 0;
    virtual bool hasConnectionProblems(QString& message);
    virtual void DestroyConnectionHandle();
    virtual bool Initialize(int type);
    virtual bool Calibrate();
    virtual bool InternalCalibrate() = 0;
    virtual bool DoMeasure() = 0;
    virtual bool GetLuminance(double& luminance);
    virtual bool GetXYZ(double xyz[3]);
    virtual bool GetXYZonBase(double xyz[3]);
    virtual bool GetLuminanceWithLog(double& luminance);
    virtual bool GetXYZWithLog(double xyz[3]);
    virtual bool getSpectrumMeas(std::vector<double>& wavelengths, std::vector<double>& spectra);
    virtual bool IsSpectrumMeasSupport();
    virtual bool getAmbientLuminanceLux(double& lux);
    virtual QString getAmbientLuxMessage();
    virtual bool IsSensorCalibrationNeeded();
    virtual bool IsColor();
    virtual bool CanbeMoved();
    virtual bool hasOwnSleep();
    virtual bool IsColorPatch();
    virtual void ShowPatch(int r, int g, int b);
    virtual void DisableIntegratedPatch();
    virtual bool isSensorReady(QString& title, QString& message);
    virtual bool isAmbientSensorReady(QString& title, QString& message);
    virtual QString vendor() = 0;
    virtual QString model() = 0;
    virtual QString serial() = 0;
    virtual bool InitPrinterMode();
    virtual bool IsReflectiveMeasureReady();
    virtual void cleanPressedButtons();
    virtual QString getReflectedVeilingLightMessage(bool automatic);
    virtual QString getIlluminationdLightMessage(bool automatic);
    virtual bool GetPatchSizes(int& width, int& height, int& distance);
    virtual QString GetCalibrationSensorMessage();
    virtual QString GetMeasureSensorMessage();
    virtual bool IsDistance();
    virtual bool isDINBCompatible();
    virtual void SetSensorCorrection(const SensorCorrection& correction);
    // Option 0 switches a sensor built into a display between the screen and the room light.
    virtual bool SetOption(int option, bool on);
    virtual bool GetCoords(QRect& coords);
    virtual int measureAnimationId(int type);
    virtual int calibrationAnimationId();
    virtual void setLEDStatus(int state);
    virtual int GetSensorTargetShape();
    virtual bool LuxMeasureEnabled();
    virtual bool isLuxMeasurementOptional();
    virtual void setInternalVerificationMode(bool on);
    virtual bool calibrationDate(QDateTime& date);
    virtual bool specificCorrelationHandling();
    virtual bool hasMeasurementLimitation(double& limit);

    sensortype_t GetSensorManufacturerID() const { return m_manufacturer; }
    conniface_t ConnectionInterface() const { return m_iface; }
    // The last reading: X, Y, Z.
    std::vector<double> GetMeasureData() const { return {m_X, m_Y, m_Z}; }
    void log(const QString& text) const;

    void setRecalibrationNeeded(bool needed) { m_recalibrationNeeded = needed; }
    bool isRecalibrationNeeded() const { return m_recalibrationNeeded; }
    bool internalVerificationMode() const { return m_internalVerificationMode; }
    const SensorCorrection& sensorCorrection() const { return m_correction; }

    static QString measuringTypeText(int type);

Q_SIGNALS:
    void signalNewPatchMeasured();

protected:
    void setReading(double X, double Y, double Z);

    double m_X = 0.0;
    double m_Y = 0.0;
    double m_Z = 0.0;

private:
    sensortype_t m_manufacturer = SENSOR_NONE;
    conniface_t m_iface = CONNIFACE_USB;
    [[maybe_unused]] int m_reserved1 = 0;
    [[maybe_unused]] int m_reserved2 = 0;
    [[maybe_unused]] int m_reserved3 = 0;
    bool m_recalibrationNeeded = false;
    SensorCorrection m_correction;
    [[maybe_unused]] int m_reserved4 = 0;
    bool m_internalVerificationMode = true;
};
