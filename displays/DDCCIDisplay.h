#pragma once

#include "displays/BaseDisplay.h"
#include "displays/DisplayIdentity.h"
#include "lut/LUT.h"

#include <memory>
#include <string>

class CParseCapabilityString;
class DDCCIControl;

// A monitor that speaks the MCCS command set over DDC/CI, and the base of the vendor
// display classes. Power, reset, brightness, contrast and the RGB gains are VCP commands
// through the display's transport; what the display offers comes from its capability
// string; its own LUT is reached with MCCS table commands. Every command byte, VCP code and
// delay is a virtual, so a vendor class changes the protocol by overriding a few of them.
//
// `connect()` first asks the class whether the display's identity is one of its models,
// then opens the channel; either failing leaves ok false with the reason in the log, so
// the factory tries the next class.
class DDCCIDisplay : public BaseDisplay
{
    Q_OBJECT
public:
    // The display's internal LUT: sizes from VCP 73h, blocks of 8 entries through 75h.
    class LUT : public ::LUT
    {
    public:
        // With `empty` nothing is read: size 0, no channels, not ok.
        explicit LUT(DDCCIDisplay* display, bool empty = false);

        bool RealUploadLUT(const luts_t& table) override;
        bool DownloadLUT(luts_t& table) override;
        int LUTUploadProgressCount() override;
        displayiface_t calibrationCommunicationInterface() override { return DISPIFACE_DDCCI; }
        bool hardwareReconnect() override;
        bool unlockHardware() override;
        int bitDepth() const { return m_bits; }

    private:
        DDCCIDisplay* m_display;
        int m_bits = 0;
    };

    explicit DDCCIDisplay(int displayId, QObject* parent = nullptr);
    ~DDCCIDisplay() override;

    void connect() override;
    void disconnect() override;
    void on() override;
    void off() override;
    void sleepStart() override;
    void sleepStop() override;
    void makeReset() override;
    bool isPowerControlAvaiable() override { return true; }
    bool isChannelAvailable(colorchannel_t channel, unsigned* max) override;
    int channel(colorchannel_t channel) override;
    void setChannel(colorchannel_t channel, unsigned value) override;
    bool isContrastAvailable(unsigned* max) override;
    int contrast() override;
    void setContrast(unsigned value) override;
    bool isBrightnessAvailable(unsigned* max) override;
    unsigned brightness() override;
    void setBrightness(unsigned value) override;
    void attachInternalLUT() override;
    bool hardwareReconnect() override;
    bool unlockHardware() override;
    int GetCommunicationMode() override;

    virtual int deviceType() { return 0; }
    virtual bool testDDCCI();
    virtual std::shared_ptr<DDCCIControl> getVideocardDDCCI();
    virtual int getDisplayRotation() { return 0; }
    virtual bool VCPSet(unsigned char code, unsigned value, unsigned delayMs);
    virtual unsigned char cmdGetCapabilitiesReply() { return 0xE3; }
    virtual unsigned char cmdGetCapabilities() { return 0xF3; }
    virtual unsigned char cmdSaveSettings() { return 0x0C; }
    virtual unsigned char cmdGetVCP() { return 0x01; }
    virtual unsigned char cmdGetVCPReply() { return 0x02; }
    virtual unsigned char cmdSetVCP() { return 0x03; }
    virtual unsigned char cmdTableRead() { return 0xE2; }
    virtual unsigned char cmdTableReadReply() { return 0xE4; }
    virtual unsigned char cmdTableWrite() { return 0xE7; }
    virtual unsigned char vcpRedChannel() { return 0x16; }
    virtual unsigned char vcpGreenChannel() { return 0x18; }
    virtual unsigned char vcpBlueChannel() { return 0x1A; }
    virtual unsigned char vcpBrightness() { return 0x10; }
    virtual unsigned char vcpContrast() { return 0x12; }
    virtual unsigned char vcpGetLUTSizes() { return 0x73; }
    virtual unsigned char vcpReadLUTBlock() { return 0x75; }
    virtual unsigned char vcpWriteLUTBlock() { return 0x75; }
    virtual unsigned vcpGetDelay() { return 40; }
    virtual unsigned vcpSetDelay() { return 50; }
    virtual unsigned vcpGetCapabilitiesDelay() { return 50; }
    virtual unsigned vcpSaveSettingsDelay() { return 200; }
    virtual unsigned vcpTableReadDelay() { return 50; }
    virtual unsigned vcpTableWriteDelay() { return 50; }
    virtual bool VCPDo(unsigned char cmd, unsigned delayMs);
    virtual bool VCPDo(unsigned char cmd, unsigned arg, unsigned delayMs);
    virtual bool VCPGet(unsigned char code, unsigned* current, unsigned* maximum, unsigned delayMs);
    virtual bool TableRead(unsigned char code, unsigned offset, unsigned char* buf, unsigned len,
                           unsigned delayMs);
    virtual bool TableRead(unsigned char code, unsigned char* buf, unsigned len, unsigned delayMs);
    virtual bool TableWrite(unsigned char code, unsigned offset, unsigned char* data, unsigned len,
                            unsigned delayMs, unsigned blockSize);
    virtual bool TableWrite(unsigned char code, unsigned char* data, unsigned len, unsigned delayMs,
                            unsigned blockSize);
    virtual bool getCapabilities();
    virtual bool getCapabilitiesValues();
    virtual bool saveSettings();

    bool checkDdcProtocol();
    bool readCapabilitiesString(std::string& text);
    static bool isValidCapabilitiesString(const std::string& text);
    static void reverseBytes(unsigned char* data, unsigned len);

    // The capability string as read and parsed by the last `getCapabilities()`.
    const std::string& capabilitiesString() const { return m_capabilities; }
    const CParseCapabilityString& capabilityParser() const { return *m_parser; }
    int readSizeExtension() const { return m_readExtension; }
    std::shared_ptr<DDCCIControl> transport() const { return m_ddcci; }

Q_SIGNALS:
    void signalTableWriteProgress();
    void signalTableReadProgress();

protected:
    // True when the identity names a model of this class; logs the reason otherwise.
    virtual bool recognise(const DisplayIdentity& identity);
    // Opens the class's control channel; logs and returns false when it cannot.
    virtual bool openChannel();
    // The line logged when the display does not answer on DDC/CI.
    virtual const char* channelFailureMessage() const;
    // Used by the channel-less classes: logs that `what` cannot be reached in this build.
    bool channelNotAvailable(const char* what);

    const DisplayIdentity& identity() const { return m_identity; }
    std::shared_ptr<DDCCIControl> ddcci() const { return m_ddcci; }
    void setTransport(std::shared_ptr<DDCCIControl> transport) { m_ddcci = std::move(transport); }

private:
    bool ensureTransport();
    unsigned char channelCode(colorchannel_t channel);
    bool* channelAvailable(colorchannel_t channel);
    int* channelMax(colorchannel_t channel);

    DisplayIdentity m_identity;
    std::shared_ptr<DDCCIControl> m_ddcci;
    std::shared_ptr<DDCCIControl> m_videocardDDCCI;
    bool m_contrastAvailable = false;
    bool m_brightnessAvailable = false;
    bool m_redAvailable = false;
    bool m_greenAvailable = false;
    bool m_blueAvailable = false;
    bool m_hardwareConnected = false;
    int m_redMax = -1;
    int m_greenMax = -1;
    int m_blueMax = -1;
    int m_contrastMax = -1;
    int m_brightnessMax = -1;
    std::unique_ptr<CParseCapabilityString> m_parser;
    int m_readExtension = 0;
    std::string m_capabilities;
};
