#pragma once

#include "displays/DDCCIDisplay.h"

#include <functional>
#include <memory>
#include <vector>

// WIDE medical displays: not MCCS, but a register protocol of their own carried over DDC/CI
// in the length-prefixed framing (or over USB). The model comes from the monitor-ID register;
// the LUT is written as gamma blocks of 16 entries and, for colour models, three gain blocks.
class WideDisplayBase : public DDCCIDisplay
{
    Q_OBJECT
public:
    enum Register : unsigned char
    {
        RegMonitorId = 0x01,
        RegLutOnOff = 0x05,
        RegBrightness = 0x08,
        RegOperationMinutes = 0x10,
        RegOperationHours = 0x11,
        RegSensorOnOff = 0x19,
        RegSensorPattern = 0x1A,
        RegSensorLumi = 0x1D,
        RegTemperature = 0x20,
        RegAmbientLight = 0x27,
        RegLutDataDepth = 0x28,
        RegColorPreset = 0x29,
        RegInputDatabit = 0x33,
    };

    class LUT : public ::LUT
    {
    public:
        explicit LUT(WideDisplayBase* display);
        bool BeforeRealUploadLUT() override;
        bool RealUploadLUT(const luts_t& table) override;
        bool AfterRealUploadLUT() override;
        void GetInitialization(luts_t& table) override;
        void GetRChannels(std::vector<int>& channels) override { channels.clear(); }
        void GetGChannels(std::vector<int>& channels) override { channels.clear(); }
        void GetBChannels(std::vector<int>& channels) override { channels.clear(); }
        void GetColorChannels(std::vector<int>& channels) override { channels = {0}; }
        void GetGainChannels(std::vector<int>& channels) override;
        bool hasRGBGainControl() override;
        int getMaxGainValue() override;
        int LUTUploadProgressCount() override { return 67; }
        bool activateOnStartCanBeSkipped() override { return false; }
        bool setColorPreset(unsigned char preset);
        bool setLutParams();

    private:
        WideDisplayBase* m_display;
        int m_step = 0;
    };

    explicit WideDisplayBase(int displayId, QObject* parent = nullptr);

    void connect() override;
    QString realName() override;
    bool isColor() override;
    bool isContrastAvailable(unsigned* max) override;
    bool isBrightnessAvailable(unsigned* max) override;
    unsigned brightness() override;
    void setBrightness(unsigned value) override;
    double temperature() override;
    double operationHours() override;
    std::shared_ptr<CSensor> sensor() override;
    int GetCommunicationMode() override;
    // Makes the front sensor of a display, null when it has none; set once by the sensor
    // subsystem at start (the display library does not know the sensor classes).
    using FrontSensorProvider = std::function<std::shared_ptr<CSensor>(WideDisplayBase& display)>;
    static void setFrontSensorProvider(FrontSensorProvider provider);
    void attachInternalLUT() override;

    virtual std::vector<unsigned char> readMonitorId();
    virtual std::vector<unsigned char> readBrightness();
    virtual std::vector<unsigned char> writeBrightness(std::vector<unsigned char> value);
    virtual bool readOperationHours(std::vector<unsigned char>& hours, std::vector<unsigned char>& minutes);
    virtual std::vector<unsigned char> readTemperature();
    virtual std::vector<unsigned char> readLutOnOff();
    virtual std::vector<unsigned char> writeLutOnOff(std::vector<unsigned char> value);
    virtual std::vector<unsigned char> writeDicomMode(std::vector<unsigned char> value);
    virtual std::vector<unsigned char> readInputDatabit();
    virtual std::vector<unsigned char> writeInputDatabit(std::vector<unsigned char> value);
    virtual std::vector<unsigned char> readLutDataDepth();
    virtual std::vector<unsigned char> writeLutDataDepth(std::vector<unsigned char> value);
    virtual std::vector<unsigned char> readSensorLumi();
    virtual std::vector<unsigned char> writeSensorPattern(std::vector<unsigned char> value);
    virtual std::vector<unsigned char> readAmbientLight();
    virtual std::vector<unsigned char> writeSensorOnOff(std::vector<unsigned char> value);
    // Register access over the display's channel; a read returns the register bytes, empty on
    // failure, a write returns the written bytes, empty on failure.
    virtual std::vector<unsigned char> readRegister(unsigned char reg, int len, int delayMs = 200,
                                                    int waitMs = 300) = 0;
    virtual std::vector<unsigned char> writeRegister(unsigned char reg, std::vector<unsigned char> data,
                                                     int delayMs = 200, int waitMs = 300) = 0;
    // One command with data and no reply beyond the acknowledge (gamma and gain blocks).
    virtual bool writeCommand(unsigned char op, unsigned char reg, const std::vector<unsigned char>& data,
                              int delayMs, int waitMs) = 0;

    // The model value of two monitor-ID characters; 0 for an unknown text.
    static int modelOf(const QByteArray& text);
    static bool isColorModel(int model);
    int model() const { return m_model; }
    int lutDataDepth() const { return m_lutDataDepth; }
    int inputDatabit() const { return m_inputDatabit; }

protected:
    bool recognise(const DisplayIdentity& identity) override;
    const char* channelFailureMessage() const override;
    bool openChannel() override;
    // The transport must speak this class's framing; logs and returns false otherwise.
    virtual bool checkChannel() = 0;

private:
    std::shared_ptr<CSensor> m_frontSensor;
    bool m_frontSensorLookedUp = false;
    int m_model = 0;
    int m_lutDataDepth = 0;
    int m_inputDatabit = 0;
};

class WideDisplayDDCCI : public WideDisplayBase
{
    Q_OBJECT
public:
    explicit WideDisplayDDCCI(int displayId, QObject* parent = nullptr);

    std::vector<unsigned char> readRegister(unsigned char reg, int len, int delayMs = 200,
                                            int waitMs = 300) override;
    std::vector<unsigned char> writeRegister(unsigned char reg, std::vector<unsigned char> data,
                                             int delayMs = 200, int waitMs = 300) override;
    bool writeCommand(unsigned char op, unsigned char reg, const std::vector<unsigned char>& data,
                      int delayMs, int waitMs) override;

protected:
    bool checkChannel() override;

private:
    bool readACK();
    std::vector<unsigned char> readCommand(unsigned char op, unsigned char reg, int len, int delayMs,
                                           int waitMs);
};

class WideDisplayUSB : public WideDisplayBase
{
    Q_OBJECT
public:
    explicit WideDisplayUSB(int displayId, QObject* parent = nullptr);

    std::vector<unsigned char> readRegister(unsigned char reg, int len, int delayMs = 200,
                                            int waitMs = 300) override;
    std::vector<unsigned char> writeRegister(unsigned char reg, std::vector<unsigned char> data,
                                             int delayMs = 200, int waitMs = 300) override;
    bool writeCommand(unsigned char op, unsigned char reg, const std::vector<unsigned char>& data,
                      int delayMs, int waitMs) override;

protected:
    bool openChannel() override;
    bool checkChannel() override;

private:
    static constexpr int UsbReplyPrefix = 2;
    bool readAck();
};
