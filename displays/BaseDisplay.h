#pragma once

#include "displays/DisplayTypes.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

class CSensor;
class LUT;

// One attached display that the program controls. The base class answers every
// operation as a display without any control channel would: the operation is "not
// supported", the ok flag goes false and the neutral value (-1, 0, false) comes back.
// Subclasses override what their hardware can do. Operations never throw; callers read
// `ok()` right after a call.
class BaseDisplay : public QObject
{
    Q_OBJECT
public:
    explicit BaseDisplay(int displayId, QObject* parent = nullptr);
    ~BaseDisplay() override;
    BaseDisplay(const BaseDisplay&) = delete;
    BaseDisplay& operator=(const BaseDisplay&) = delete;

    virtual void connect();
    virtual void disconnect();
    virtual void on();
    virtual void off();
    virtual QString realName();
    virtual int displaySwitchingOffDelayMs();
    virtual void sleepStart();
    virtual void sleepStop();
    virtual void makeReset();
    virtual bool isPowerControlAvaiable();
    virtual bool isChannelAvailable(colorchannel_t channel, unsigned* max);
    virtual int channel(colorchannel_t channel);
    virtual void setChannel(colorchannel_t channel, unsigned value);
    virtual bool isContrastAvailable(unsigned* max);
    virtual int contrast();
    virtual void setContrast(unsigned value);
    virtual bool isBrightnessAvailable(unsigned* max);
    virtual unsigned brightness();
    virtual double temperature();
    virtual double operationHours();
    virtual double lifetimeHours();
    virtual void setBrightness(unsigned value);
    virtual int brightnessVisibleStep();
    virtual bool isAutoBrightnessAvailable();
    virtual void setAutoBrightness(bool enable, int level);
    virtual bool isAutoBrightnessByCandelasAvailable();
    virtual void setAutoBrightnessByCandelas(double candelas);
    virtual bool isColor();
    virtual void attachInternalLUT();
    virtual void detachInternalLUT();
    // The display's built-in sensor, null when it has none. Shared: whoever measures keeps
    // it alive while the display object may be replaced.
    virtual std::shared_ptr<CSensor> sensor();
    virtual bool isBackLightSensor();
    virtual void setMultiBrightness(unsigned value);
    virtual void setMultiContrast(unsigned value);
    virtual bool canEstimateBrightness();
    virtual int estimateBrightness(double candelas);
    virtual bool isDisplayUnstable();
    virtual int brightnessStabilizationTime();
    virtual int brightnessStabilizationTimeLong();
    virtual int contrastStabilizationTime();
    virtual bool hardwareReconnect();
    virtual bool unlockHardware();
    virtual bool lockBrightness();
    virtual bool unlockBrightness();
    virtual bool BeforeCalibration();
    virtual bool AfterCalibration();
    virtual bool afterAnyProcess();
    virtual bool beforeAnyProcess();
    virtual bool sensorHavePatch();
    virtual int GetCommunicationMode();
    virtual void* display();
    virtual QStringList GetLUTNames();
    virtual int getDisplayDelay();
    virtual bool isDisplayWarmed();
    virtual bool hasAmbientConditions();
    virtual bool ambientConditions(double& temperature, double& humidity);
    virtual bool setAmbientConditions(double temperature, double humidity);
    virtual bool hasPresenceSensor();
    virtual bool hasAmbientSensor();
    virtual bool presenceSensor(bool& present);
    virtual bool setPresenceSensor(bool enable);
    virtual void notifyAboutPresenceSensorDeactivation();
    virtual void setCalibrationDate(QDateTime date);
    virtual void setCalibrationTarget(QString target, double luminance, int whitePoint);
    virtual QString getUserFriendlySerialNumber();
    virtual QString getSpecialLockHardwareID();
    virtual bool colorGainsBeforeLUT();
    virtual bool hasSpecificWhiteLevelRange(int& minLow, int& minHigh, int& maxLow, int& maxHigh);

    bool ok() const { return m_ok.load(); }

    // Keeps the ok flag as it was across a call whose result only its caller wants: the
    // loading thread reads the flag to know whether the display can take its table, and a
    // display without power control must not look broken because it was asked to wake.
    class OkFlagKeeper
    {
    public:
        explicit OkFlagKeeper(BaseDisplay& display) : m_display(display), m_ok(display.ok()) {}
        ~OkFlagKeeper() { m_display.setOk(m_ok); }
        OkFlagKeeper(const OkFlagKeeper&) = delete;
        OkFlagKeeper& operator=(const OkFlagKeeper&) = delete;

    private:
        BaseDisplay& m_display;
        const bool m_ok;
    };
    int displayId() const { return m_displayId; }
    // The attached LUT object (owned by this display), null when none.
    LUT* lut();
    // The same without touching the ok flag.
    LUT* attachedLUT() const { return m_lut.get(); }
    // Replaces the current LUT object by `lut` and takes ownership of it.
    void attachLUT(LUT* lut);
    displayiface_t communicationInterface() const { return m_iface; }
    // Why the last connect() found the display to be no model of this class; empty when it was
    // one, or when connect() failed for a real reason (a channel that does not answer).
    const QString& mismatch() const { return m_mismatch; }

    // "brightness" and "contrast" as decimal text, for the settings the display has.
    std::map<QString, QString> getDisplaySettings();
    // Applies the stored settings; false when a setting the display has is missing.
    bool setDisplaySettings(std::map<QString, QString> settings);

    // Finds the sensor built into the display with the given id; set once by the sensor
    // subsystem at start (the display library does not know the sensor classes).
    using SensorProvider = std::function<std::shared_ptr<CSensor>(int displayId)>;
    static void setBuiltInSensorProvider(SensorProvider provider);

protected:
    void setOk(bool ok) { m_ok.store(ok); }
    void setCommunicationInterface(displayiface_t iface) { m_iface = iface; }
    void setSensor(std::shared_ptr<CSensor> sensor);
    bool hasLUT() const { return m_lut != nullptr; }
    // Records why the display is not one of this class's models; false, for `return notThisDisplay(...)`.
    bool notThisDisplay(const QString& reason)
    {
        m_mismatch = reason;
        return false;
    }
    void clearMismatch() { m_mismatch.clear(); }

private:
    int m_displayId;
    // Read by the loading thread while the main thread switches power.
    std::atomic<bool> m_ok{true};
    std::shared_ptr<CSensor> m_sensor;
    bool m_sensorLookedUp = false;
    std::unique_ptr<LUT> m_lut;
    displayiface_t m_iface = DISPIFACE_VIDEOCARD;
    QString m_mismatch;
};
