#include "displays/DDCCIDisplay.h"

#include "displays/CParseCapabilityString.h"
#include "displays/DDCCIAutoDelay.h"
#include "displays/DDCCIControl.h"
#include "displays/DDCCIFactory.h"

#include <QDebug>

#include <cstring>

namespace {

constexpr unsigned char PowerModeCode = 0xD6;
constexpr unsigned PowerOn = 1;
constexpr unsigned PowerOff = 4;
constexpr unsigned char FactoryResetCode = 0x04;
// A capability fragment: the reply opcode, the offset, and at most 32 text bytes.
constexpr unsigned CapabilityFragmentSize = 35;
constexpr int CapabilityAttempts = 3;
constexpr int BrightnessAttempts = 5;
// A capability string longer than this is a display talking nonsense, not describing itself.
constexpr size_t MaxCapabilityLength = 8192;
constexpr unsigned MaxReadExtension = 2;

} // namespace

DDCCIDisplay::DDCCIDisplay(int displayId, QObject* parent)
    : BaseDisplay(displayId, parent), m_parser(std::make_unique<CParseCapabilityString>())
{
    setCommunicationInterface(DISPIFACE_DDCCI);
}

DDCCIDisplay::~DDCCIDisplay()
{
    // The LUT refers back to this display; it goes first.
    detachInternalLUT();
}

void DDCCIDisplay::connect()
{
    clearMismatch();
    m_identity = DisplayIdentity::ofDisplay(displayId());
    if (!recognise(m_identity)) {
        setOk(false);
        return;
    }
    setOk(openChannel());
}

void DDCCIDisplay::disconnect()
{
    m_ddcci.reset();
    setOk(true);
}

bool DDCCIDisplay::hardwareReconnect()
{
    m_hardwareConnected = true;
    if (m_ddcci)
        m_ddcci->hardwareReconnect();
    if (m_videocardDDCCI && m_videocardDDCCI != m_ddcci)
        m_videocardDDCCI->hardwareReconnect();
    return true;
}

bool DDCCIDisplay::unlockHardware()
{
    m_hardwareConnected = false;
    if (m_ddcci)
        m_ddcci->unlockHardware();
    if (m_videocardDDCCI && m_videocardDDCCI != m_ddcci)
        m_videocardDDCCI->unlockHardware();
    return true;
}

// The generic class takes any display that answers on DDC/CI.
bool DDCCIDisplay::recognise(const DisplayIdentity& /*identity*/)
{
    return true;
}

bool DDCCIDisplay::ensureTransport()
{
    if (!m_videocardDDCCI)
        m_videocardDDCCI = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, displayId());
    if (!m_ddcci)
        m_ddcci = m_videocardDDCCI;
    return m_ddcci != nullptr;
}

std::shared_ptr<DDCCIControl> DDCCIDisplay::getVideocardDDCCI()
{
    ensureTransport();
    return m_videocardDDCCI;
}

bool DDCCIDisplay::testDDCCI()
{
    return ensureTransport() && m_ddcci->test();
}

bool DDCCIDisplay::openChannel()
{
    if (!ensureTransport() || !checkDdcProtocol()) {
        m_ddcci.reset();
        return false;
    }
    if (std::strcmp(metaObject()->className(), "DDCCIDisplay") != 0)
        qDebug() << metaObject()->className() << "has no protocol of its own here; it speaks generic MCCS";
    if (getCapabilities())
        return true;
    qDebug() << metaObject()->className() << channelFailureMessage();
    return false;
}

const char* DDCCIDisplay::channelFailureMessage() const
{
    return "failed to read capabilities";
}

bool DDCCIDisplay::channelNotAvailable(const char* what)
{
    qDebug() << metaObject()->className() << what << "not available";
    return false;
}

bool DDCCIDisplay::checkDdcProtocol()
{
    if (m_ddcci && m_ddcci->protocolKind() == DDCCIControl::ProtocolStandard)
        return true;
    qDebug() << "DDCCIDisplay::checkDdcProtocol() incompatible DDC/CI protocol";
    return false;
}

bool DDCCIDisplay::VCPSet(unsigned char code, unsigned value, unsigned delayMs)
{
    unsigned char payload[] = {cmdSetVCP(), code, static_cast<unsigned char>((value >> 8) & 0xFF),
                               static_cast<unsigned char>(value & 0xFF)};
    return ensureTransport() && m_ddcci->write(payload, sizeof payload, delayMs) == 0;
}

bool DDCCIDisplay::VCPDo(unsigned char cmd, unsigned delayMs)
{
    unsigned char payload[] = {cmd};
    return ensureTransport() && m_ddcci->write(payload, sizeof payload, delayMs) == 0;
}

bool DDCCIDisplay::VCPDo(unsigned char cmd, unsigned arg, unsigned delayMs)
{
    unsigned char payload[] = {cmd, static_cast<unsigned char>((arg >> 8) & 0xFF),
                               static_cast<unsigned char>(arg & 0xFF)};
    return ensureTransport() && m_ddcci->write(payload, sizeof payload, delayMs) == 0;
}

bool DDCCIDisplay::VCPGet(unsigned char code, unsigned* current, unsigned* maximum, unsigned delayMs)
{
    if (!ensureTransport())
        return false;
    // Some displays add one or two bytes to their Get-VCP replies; the size that works is kept.
    for (unsigned extension = static_cast<unsigned>(m_readExtension);;) {
        unsigned char payload[] = {cmdGetVCP(), code};
        if (m_ddcci->write(payload, sizeof payload, delayMs) != 0) {
            qDebug() << "DDCCIDisplay::VCPGet. write failed";
            return false;
        }
        unsigned char reply[DDCCIControl::MaxPackageSize];
        const int n = m_ddcci->read(reply, 8 + extension);
        if (n >= 8) {
            if (reply[0] != cmdGetVCPReply()) {
                qDebug() << "DDCCIDisplay::VCPGet. package[0] is bad";
                return false;
            }
            if (reply[2] != code) {
                qDebug() << "DDCCIDisplay::VCPGet. package[2] is bad";
                return false;
            }
            if (maximum)
                *maximum = reply[4] * 256u + reply[5];
            if (current)
                *current = reply[6] * 256u + reply[7];
            if (extension != static_cast<unsigned>(m_readExtension)) {
                qDebug() << "DDCCIDisplay::VCPGet. read works with package size extend" << extension;
                m_readExtension = static_cast<int>(extension);
            }
            return true;
        }
        if (n >= 0) {
            qDebug() << "DDCCIDisplay::VCPGet. package size is bad.";
            return false;
        }
        qDebug() << "DDCCIDisplay::VCPGet. read failed.";
        if (m_readExtension != 0)
            return false;
        if (extension == 0)
            qDebug() << "DDCCIDisplay::VCPGet. try with wrong package sizes also";
        if (extension == MaxReadExtension || m_ddcci->lastError() != DDCCIControl::ErrorChecksum) {
            if (extension != 0)
                qDebug() << "DDCCIDisplay::VCPGet. read failed with all package sizes";
            m_readExtension = 0;
            return false;
        }
        ++extension;
    }
}

bool DDCCIDisplay::TableRead(unsigned char code, unsigned offset, unsigned char* buf, unsigned len,
                             unsigned delayMs)
{
    if (!ensureTransport())
        return false;
    unsigned char payload[] = {cmdTableRead(), code, static_cast<unsigned char>((offset >> 8) & 0xFF),
                               static_cast<unsigned char>(offset & 0xFF)};
    if (m_ddcci->write(payload, sizeof payload, delayMs) != 0) {
        qDebug() << "DDCCIDisplay::TableRead write failed";
        return false;
    }
    unsigned char reply[DDCCIControl::MaxPackageSize];
    const int n = m_ddcci->read(reply, qMin(len + 3, 127u));
    if (n < 3 || reply[0] != cmdTableReadReply()) {
        qDebug() << "DDCCIDisplay::TableRead bad reply, length" << n;
        return false;
    }
    const unsigned got = static_cast<unsigned>(n) - 3;
    if (got < len) {
        qDebug() << "DDCCIDisplay::TableRead short reply" << got << "of" << len;
        return false;
    }
    std::memcpy(buf, reply + 3, len);
    Q_EMIT signalTableReadProgress();
    return true;
}

bool DDCCIDisplay::TableRead(unsigned char code, unsigned char* buf, unsigned len, unsigned delayMs)
{
    return TableRead(code, 0, buf, len, delayMs);
}

bool DDCCIDisplay::TableWrite(unsigned char code, unsigned offset, unsigned char* data, unsigned len,
                              unsigned delayMs, unsigned blockSize)
{
    if (!ensureTransport() || blockSize == 0 || blockSize > 123)
        return false;
    for (unsigned position = 0; position < len; position += blockSize) {
        const unsigned count = qMin(blockSize, len - position);
        const unsigned at = offset + position;
        unsigned char payload[128];
        payload[0] = cmdTableWrite();
        payload[1] = code;
        payload[2] = static_cast<unsigned char>((at >> 8) & 0xFF);
        payload[3] = static_cast<unsigned char>(at & 0xFF);
        std::memcpy(payload + 4, data + position, count);
        if (m_ddcci->write(payload, count + 4, delayMs) != 0) {
            qDebug() << "DDCCIDisplay::TableWrite write failed at" << at;
            return false;
        }
        // The mandated gap after the block runs meanwhile; these steps only fill it.
        for (unsigned i = 0; i < count; ++i) {
            Q_EMIT signalTableWriteProgress();
            DDCCIAutoDelay::pauseWithinDelay(1);
        }
    }
    return true;
}

bool DDCCIDisplay::TableWrite(unsigned char code, unsigned char* data, unsigned len, unsigned delayMs,
                              unsigned blockSize)
{
    return TableWrite(code, 0, data, len, delayMs, blockSize);
}

bool DDCCIDisplay::isValidCapabilitiesString(const std::string& text)
{
    if (text.empty()) {
        qDebug() << "DDCCIDisplay: empty capabilities string";
        return false;
    }
    if (text.back() != ')' && text.back() != ' ') {
        qDebug() << "DDCCIDisplay: wrong end of string";
        return false;
    }
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("vcp") == std::string::npos) {
        qDebug() << "DDCCIDisplay: no vcp section";
        return false;
    }
    int depth = 0;
    for (const char c : text) {
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth < 0) {
            qDebug() << "DDCCIDisplay: wrong count of open/close brackets";
            return false;
        }
    }
    if (depth != 0) {
        qDebug() << "DDCCIDisplay: wrong count of open/close brackets at end";
        return false;
    }
    return true;
}

bool DDCCIDisplay::readCapabilitiesString(std::string& text)
{
    text.clear();
    if (!ensureTransport())
        return false;
    unsigned offset = 0;
    // A display that repeats a byte of its reply pushes the checksum of a full fragment past
    // the bytes read, where no repair can find it: after a checksum failure the fragments
    // are read one byte longer, which costs nothing on a display that sends less.
    unsigned readSize = CapabilityFragmentSize;
    while (text.size() < MaxCapabilityLength) {
        unsigned char reply[DDCCIControl::MaxPackageSize];
        int length = -1;
        for (int attempt = 0; attempt < CapabilityAttempts && length < 0; ++attempt) {
            qDebug() << "DDCCIDisplay::readCapabilitiesString write vcp" << offset;
            if (!VCPDo(cmdGetCapabilities(), offset, vcpGetCapabilitiesDelay())) {
                qDebug() << "DDCCIDisplay::readCapabilitiesString write vcp failed";
                continue;
            }
            length = m_ddcci->read(reply, readSize);
            if (length < 0 && m_ddcci->lastError() == DDCCIControl::ErrorChecksum &&
                readSize == CapabilityFragmentSize) {
                qDebug() << "DDCCIDisplay::readCapabilitiesString reading fragments one byte longer";
                readSize = CapabilityFragmentSize + 1;
            }
        }
        qDebug() << "DDCCIDisplay::readCapabilitiesString length:" << length;
        if (length < 0) {
            // Some displays fall silent right after the last fragment of a complete string.
            if (isValidCapabilitiesString(text)) {
                qDebug() << "DDCCIDisplay: something wrong with cap reading, but string is ok";
                return true;
            }
            qDebug() << "DDCCIDisplay: length=-1";
            return false;
        }
        if (length < 3) {
            qDebug() << "DDCCIDisplay: length < 3";
            return false;
        }
        if (length == 3)
            return true;
        const char* fragment = reinterpret_cast<const char*>(reply + 3);
        const size_t available = static_cast<size_t>(length - 3);
        const size_t textBytes = strnlen(fragment, available);
        text.append(fragment, textBytes);
        offset += static_cast<unsigned>(textBytes);
        if (textBytes < available)
            return true;
    }
    qDebug() << "DDCCIDisplay: capabilities string too long";
    return false;
}

bool DDCCIDisplay::getCapabilities()
{
    std::string text;
    if (!readCapabilitiesString(text))
        return false;
    // The parser finds tokens regardless of case; the upper-cased "VCP" is what other
    // readers of the stored string expect.
    if (const size_t at = text.find("vcp"); at != std::string::npos)
        text.replace(at, 3, "VCP");
    m_capabilities = text;
    if (m_parser->ParseString(text) != 0) {
        qDebug() << "DDCCIDisplay: failed to parse capabilities string";
        return false;
    }
    m_redAvailable = m_parser->IsVCPSupported(vcpRedChannel());
    m_greenAvailable = m_parser->IsVCPSupported(vcpGreenChannel());
    m_blueAvailable = m_parser->IsVCPSupported(vcpBlueChannel());
    m_contrastAvailable = m_parser->IsVCPSupported(vcpContrast());
    m_brightnessAvailable = m_parser->IsVCPSupported(vcpBrightness());
    return getCapabilitiesValues();
}

bool DDCCIDisplay::getCapabilitiesValues()
{
    const auto readMax = [this](bool& available, int& max, unsigned char code) {
        if (!available)
            return;
        unsigned current = 0;
        unsigned maximum = 0;
        if (VCPGet(code, &current, &maximum, vcpGetDelay())) {
            max = static_cast<int>(maximum);
        } else {
            available = false;
            max = -1;
        }
    };
    readMax(m_redAvailable, m_redMax, vcpRedChannel());
    readMax(m_greenAvailable, m_greenMax, vcpGreenChannel());
    readMax(m_blueAvailable, m_blueMax, vcpBlueChannel());
    readMax(m_contrastAvailable, m_contrastMax, vcpContrast());
    readMax(m_brightnessAvailable, m_brightnessMax, vcpBrightness());
    return true;
}

bool DDCCIDisplay::saveSettings()
{
    return VCPDo(cmdSaveSettings(), vcpSaveSettingsDelay());
}

void DDCCIDisplay::reverseBytes(unsigned char* data, unsigned len)
{
    for (unsigned i = 0; i < len / 2; ++i)
        std::swap(data[i], data[len - 1 - i]);
}

unsigned char DDCCIDisplay::channelCode(colorchannel_t channel)
{
    switch (channel) {
    case 0:
        return vcpRedChannel();
    case 1:
        return vcpGreenChannel();
    default:
        return vcpBlueChannel();
    }
}

bool* DDCCIDisplay::channelAvailable(colorchannel_t channel)
{
    return channel == 0 ? &m_redAvailable : channel == 1 ? &m_greenAvailable : &m_blueAvailable;
}

int* DDCCIDisplay::channelMax(colorchannel_t channel)
{
    return channel == 0 ? &m_redMax : channel == 1 ? &m_greenMax : &m_blueMax;
}

bool DDCCIDisplay::isChannelAvailable(colorchannel_t channel, unsigned* max)
{
    setOk(true);
    const bool valid = channel >= 0 && channel <= 2;
    const bool available = valid && *channelAvailable(channel);
    if (max)
        *max = available ? static_cast<unsigned>(*channelMax(channel)) : static_cast<unsigned>(-1);
    return available;
}

int DDCCIDisplay::channel(colorchannel_t channel)
{
    if (channel < 0 || channel > 2) {
        setOk(false);
        return -1;
    }
    unsigned current = 0;
    const bool read = VCPGet(channelCode(channel), &current, nullptr, vcpGetDelay());
    setOk(read);
    return read ? static_cast<int>(current) : -1;
}

void DDCCIDisplay::setChannel(colorchannel_t channel, unsigned value)
{
    if (channel < 0 || channel > 2) {
        setOk(false);
        return;
    }
    const bool set = VCPSet(channelCode(channel), value, vcpSetDelay());
    const bool saved = saveSettings();
    setOk(set && saved);
}

bool DDCCIDisplay::isContrastAvailable(unsigned* max)
{
    setOk(true);
    if (max)
        *max = m_contrastAvailable ? static_cast<unsigned>(m_contrastMax) : static_cast<unsigned>(-1);
    return m_contrastAvailable;
}

int DDCCIDisplay::contrast()
{
    unsigned current = 0;
    const bool read = VCPGet(vcpContrast(), &current, nullptr, vcpGetDelay());
    setOk(read);
    return read ? static_cast<int>(current) : -1;
}

void DDCCIDisplay::setContrast(unsigned value)
{
    setOk(VCPSet(vcpContrast(), value, vcpSetDelay()));
}

bool DDCCIDisplay::isBrightnessAvailable(unsigned* max)
{
    setOk(true);
    if (max)
        *max = m_brightnessAvailable ? static_cast<unsigned>(m_brightnessMax) : static_cast<unsigned>(-1);
    return m_brightnessAvailable;
}

unsigned DDCCIDisplay::brightness()
{
    for (int attempt = 0; attempt < BrightnessAttempts; ++attempt) {
        unsigned current = 0;
        if (VCPGet(vcpBrightness(), &current, nullptr, vcpGetDelay())) {
            setOk(true);
            return current;
        }
    }
    setOk(false);
    return static_cast<unsigned>(-1);
}

void DDCCIDisplay::setBrightness(unsigned value)
{
    setOk(VCPSet(vcpBrightness(), value, vcpSetDelay()));
}

void DDCCIDisplay::on()
{
    VCPSet(PowerModeCode, PowerOn, vcpSetDelay());
    setOk(true);
}

void DDCCIDisplay::off()
{
    VCPSet(PowerModeCode, PowerOff, vcpSetDelay());
    setOk(true);
}

void DDCCIDisplay::sleepStart()
{
    setOk(false);
}

void DDCCIDisplay::sleepStop()
{
    on();
}

void DDCCIDisplay::makeReset()
{
    setOk(VCPSet(FactoryResetCode, 1, 3 * vcpSetDelay()));
}

int DDCCIDisplay::GetCommunicationMode()
{
    LUT probe(this);
    return probe.ok() && probe.LUTSize() > 0 ? 3 : 1;
}

void DDCCIDisplay::attachInternalLUT()
{
    detachInternalLUT();
    auto lut = std::make_unique<LUT>(this);
    if (!lut->ok()) {
        setOk(false);
        return;
    }
    attachLUT(lut.release());
    setOk(true);
}
