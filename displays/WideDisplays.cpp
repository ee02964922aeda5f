#include "displays/WideDisplays.h"

#include "displays/DDCCIAutoDelay.h"
#include "displays/DDCCIControl.h"
#include "displays/DDCCIFactory.h"

#include <QDebug>
#include <QMutex>

namespace {

constexpr unsigned char OpReadRegister = 0x31;
constexpr unsigned char OpWriteRegister = 0x32;
constexpr unsigned char OpMonoGammaBlock = 0x34;
constexpr unsigned char OpGainBlock = 0x3C;
constexpr int EntriesPerGammaBlock = 16;
constexpr int LastBlockOf1024 = 0x3F;
constexpr int LastBlockWaitMs = 1500;
constexpr int GainWaitMs = 1500;
constexpr unsigned char GainRegister = 0x0F;
constexpr unsigned char DicomPreset = 4;

struct ModelEntry
{
    const char* text;
    int model;
};

constexpr ModelEntry Models[] = {{"M2", 1},  {"M3", 3},  {"M5", 5},  {"P2", 6},  {"C2", 7},  {"P3", 8},
                                 {"C3", 9},  {"P5", 10}, {"X2", 11}, {"x2", 12}, {"X3", 13}, {"x3", 14},
                                 {"X5", 15}, {"WA", 16}, {"w6", 17}, {"n2", 18}, {"N3", 19}, {"n3", 20},
                                 {"N5", 21}, {"n5", 22}, {"T5", 23}, {"wc", 24}, {"W6", 25}, {"N2", 26}};

int bigEndian(const std::vector<unsigned char>& bytes)
{
    return bytes.size() >= 2 ? bytes[0] * 256 + bytes[1] : -1;
}

void appendWord(std::vector<unsigned char>& out, int value)
{
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
    out.push_back(static_cast<unsigned char>(value & 0xFF));
}

} // namespace

int WideDisplayBase::modelOf(const QByteArray& text)
{
    for (const ModelEntry& entry : Models) {
        if (text == entry.text)
            return entry.model;
    }
    return 0;
}

bool WideDisplayBase::isColorModel(int model)
{
    for (const int color : {2, 4, 7, 9, 12, 14, 17, 18, 20, 22, 24, 25}) {
        if (model == color)
            return true;
    }
    return false;
}

WideDisplayBase::WideDisplayBase(int displayId, QObject* parent) : DDCCIDisplay(displayId, parent) {}

bool WideDisplayBase::recognise(const DisplayIdentity& identity)
{
    if (identity.madeBy({"WKC", "WIDE"}))
        return true;
    return notThisDisplay(QStringLiteral("No WIDE display ") + identity.vendor3);
}

// Without an answer the model cannot be read from the display.
const char* WideDisplayBase::channelFailureMessage() const
{
    return "Unknown WIDE display";
}

void WideDisplayBase::connect()
{
    DDCCIDisplay::connect();
}

bool WideDisplayBase::openChannel()
{
    if (!checkChannel())
        return false;
    const std::vector<unsigned char> id = readMonitorId();
    const QByteArray text(reinterpret_cast<const char*>(id.data()), static_cast<qsizetype>(id.size()));
    qDebug() << "WideDisplayBase Model str:" << QString::fromLatin1(text);
    m_model = id.size() == 2 ? modelOf(text) : 0;
    if (m_model == 0) {
        qDebug() << channelFailureMessage();
        return false;
    }
    const std::vector<unsigned char> depth = readLutDataDepth();
    if (depth.size() != 1) {
        qDebug() << "REGISTER_LUT_DATA_DEPTH read failed";
        return false;
    }
    const std::vector<unsigned char> bits = readInputDatabit();
    if (bits.size() != 1) {
        qDebug() << "REGISTER_INPUT_DATABIT read failed";
        return false;
    }
    m_lutDataDepth = depth[0];
    m_inputDatabit = bits[0];
    return true;
}

QString WideDisplayBase::realName()
{
    for (const ModelEntry& entry : Models) {
        if (entry.model == m_model)
            return QStringLiteral("WIDE %1").arg(QLatin1String(entry.text));
    }
    return QStringLiteral("unknown");
}

bool WideDisplayBase::isColor()
{
    setOk(true);
    return isColorModel(m_model);
}

bool WideDisplayBase::isContrastAvailable(unsigned* max)
{
    setOk(true);
    if (max)
        *max = static_cast<unsigned>(-1);
    return false;
}

bool WideDisplayBase::isBrightnessAvailable(unsigned* max)
{
    setOk(true);
    if (max)
        *max = 511;
    return true;
}

unsigned WideDisplayBase::brightness()
{
    const int value = bigEndian(readBrightness());
    if (value < 0 || value >= 512) {
        qDebug() << "WideDisplayBase wrong brightness value" << value;
        setOk(false);
        return static_cast<unsigned>(-1);
    }
    qDebug() << "WideDisplayBase brightness value" << 511 - value;
    setOk(true);
    return static_cast<unsigned>(511 - value);
}

void WideDisplayBase::setBrightness(unsigned value)
{
    std::vector<unsigned char> data;
    appendWord(data, 511 - static_cast<int>(qMin(value, 511u)));
    setOk(!writeBrightness(data).empty());
}

double WideDisplayBase::temperature()
{
    const std::vector<unsigned char> value = readTemperature();
    return value.size() == 1 ? value[0] : -1.0;
}

double WideDisplayBase::operationHours()
{
    std::vector<unsigned char> hours;
    std::vector<unsigned char> minutes;
    if (!readOperationHours(hours, minutes) || hours.size() != 2 || minutes.size() != 1)
        return -1.0;
    return bigEndian(hours) + minutes[0] / 60.0;
}

namespace {
QMutex g_frontSensorMutex;
WideDisplayBase::FrontSensorProvider g_frontSensorProvider;
} // namespace

void WideDisplayBase::setFrontSensorProvider(FrontSensorProvider provider)
{
    QMutexLocker locker(&g_frontSensorMutex);
    g_frontSensorProvider = std::move(provider);
}

std::shared_ptr<CSensor> WideDisplayBase::sensor()
{
    setOk(true);
    if (!m_frontSensorLookedUp) {
        FrontSensorProvider provider;
        {
            QMutexLocker locker(&g_frontSensorMutex);
            provider = g_frontSensorProvider;
        }
        if (provider) {
            m_frontSensorLookedUp = true;
            m_frontSensor = provider(*this);
        }
    }
    return m_frontSensor;
}

int WideDisplayBase::GetCommunicationMode()
{
    return 3;
}

void WideDisplayBase::attachInternalLUT()
{
    detachInternalLUT();
    attachLUT(new LUT(this));
    setOk(true);
}

std::vector<unsigned char> WideDisplayBase::readMonitorId()
{
    return readRegister(RegMonitorId, 2);
}
std::vector<unsigned char> WideDisplayBase::readBrightness()
{
    return readRegister(RegBrightness, 2);
}
std::vector<unsigned char> WideDisplayBase::writeBrightness(std::vector<unsigned char> value)
{
    return writeRegister(RegBrightness, std::move(value));
}
bool WideDisplayBase::readOperationHours(std::vector<unsigned char>& hours,
                                         std::vector<unsigned char>& minutes)
{
    hours = readRegister(RegOperationHours, 2);
    minutes = readRegister(RegOperationMinutes, 1);
    return hours.size() == 2 && minutes.size() == 1;
}
std::vector<unsigned char> WideDisplayBase::readTemperature()
{
    return readRegister(RegTemperature, 1);
}
std::vector<unsigned char> WideDisplayBase::readLutOnOff()
{
    return readRegister(RegLutOnOff, 1);
}
std::vector<unsigned char> WideDisplayBase::writeLutOnOff(std::vector<unsigned char> value)
{
    return writeRegister(RegLutOnOff, std::move(value));
}
std::vector<unsigned char> WideDisplayBase::writeDicomMode(std::vector<unsigned char> value)
{
    return writeRegister(RegColorPreset, std::move(value));
}
std::vector<unsigned char> WideDisplayBase::readInputDatabit()
{
    return readRegister(RegInputDatabit, 1);
}
std::vector<unsigned char> WideDisplayBase::writeInputDatabit(std::vector<unsigned char> value)
{
    return writeRegister(RegInputDatabit, std::move(value));
}
std::vector<unsigned char> WideDisplayBase::readLutDataDepth()
{
    return readRegister(RegLutDataDepth, 1);
}
std::vector<unsigned char> WideDisplayBase::writeLutDataDepth(std::vector<unsigned char> value)
{
    return writeRegister(RegLutDataDepth, std::move(value));
}
std::vector<unsigned char> WideDisplayBase::readSensorLumi()
{
    return readRegister(RegSensorLumi, 4, 200, 1200);
}
std::vector<unsigned char> WideDisplayBase::writeSensorPattern(std::vector<unsigned char> value)
{
    return writeRegister(RegSensorPattern, std::move(value));
}
std::vector<unsigned char> WideDisplayBase::readAmbientLight()
{
    return readRegister(RegAmbientLight, 2);
}
std::vector<unsigned char> WideDisplayBase::writeSensorOnOff(std::vector<unsigned char> value)
{
    return writeRegister(RegSensorOnOff, std::move(value), 200, 1000);
}

WideDisplayBase::LUT::LUT(WideDisplayBase* display) : m_display(display)
{
    const bool color = isColorModel(display->model());
    const int size = display->lutDataDepth() == 1 ? 1024 : 256;
    const int max = display->inputDatabit() == 1 ? 1023 : display->inputDatabit() == 2 ? 16383 : 4095;
    setGeometry(color ? 2 : 1, size, max);
    setCommunicationInterface(DISPIFACE_DDCCI);
    setOk(true);
}

void WideDisplayBase::LUT::GetInitialization(luts_t& table)
{
    ::LUT::GetInitialization(table);
    // The gain channel holds the three colour gains at full scale.
    if (table.size() >= 2)
        table[1].assign(table[1].size(), LUTMaxValue());
}

void WideDisplayBase::LUT::GetGainChannels(std::vector<int>& channels)
{
    channels.clear();
    if (ChannelsCount() >= 2)
        channels = {1};
}

bool WideDisplayBase::LUT::hasRGBGainControl()
{
    return isColorModel(m_display->model());
}

int WideDisplayBase::LUT::getMaxGainValue()
{
    return hasRGBGainControl() ? 4095 : -1;
}

bool WideDisplayBase::LUT::setColorPreset(unsigned char preset)
{
    if (!isColorModel(m_display->model()))
        return true;
    return !m_display->writeDicomMode({preset}).empty();
}

bool WideDisplayBase::LUT::setLutParams()
{
    if (m_display->writeLutDataDepth({static_cast<unsigned char>(m_display->lutDataDepth())}).empty())
        return false;
    return !m_display->writeInputDatabit({static_cast<unsigned char>(m_display->inputDatabit())}).empty();
}

bool WideDisplayBase::LUT::BeforeRealUploadLUT()
{
    m_step = 0;
    m_display->writeLutOnOff({0x31});
    setColorPreset(DicomPreset);
    sendLUTUploadProgress(++m_step, LUTUploadProgressCount());
    const bool params = setLutParams();
    sendLUTUploadProgress(++m_step, LUTUploadProgressCount());
    return params;
}

bool WideDisplayBase::LUT::RealUploadLUT(const luts_t& table)
{
    if (table.empty() || static_cast<int>(table[0].size()) < LUTSize()) {
        qDebug() << "WideDisplayBase::LUT::RealUploadLUT table does not fit the display";
        return false;
    }
    const int steps = LUTUploadProgressCount();
    for (int s = 0; s < LUTSize(); s += EntriesPerGammaBlock) {
        std::vector<unsigned char> block;
        for (int i = 0; i < EntriesPerGammaBlock; ++i)
            appendWord(block, qBound(0, table[0][static_cast<size_t>(s + i)], LUTMaxValue()));
        const int index = s / EntriesPerGammaBlock;
        const int wait = index == LastBlockOf1024 ? LastBlockWaitMs : 300;
        // A gamma block the display did not take does not stop the upload.
        if (!m_display->writeCommand(OpMonoGammaBlock, static_cast<unsigned char>(index), block, 200, wait))
            qDebug() << "write lut block failed" << index;
        sendLUTUploadProgress(++m_step, steps);
    }
    if (isColorModel(m_display->model()) && table.size() >= 2) {
        for (int c = 0; c < 3; ++c) {
            std::vector<unsigned char> gains;
            const int gain =
                qBound(0, c < static_cast<int>(table[1].size()) ? table[1][static_cast<size_t>(c)] : 0, 4095);
            for (int i = 0; i < EntriesPerGammaBlock; ++i)
                appendWord(gains, gain);
            if (!m_display->writeCommand(static_cast<unsigned char>(OpGainBlock + c), GainRegister, gains,
                                         200, GainWaitMs)) {
                qDebug() << "write gain block failed" << c;
                return false;
            }
            sendLUTUploadProgress(++m_step, steps);
        }
    }
    return true;
}

bool WideDisplayBase::LUT::AfterRealUploadLUT()
{
    const bool preset = setColorPreset(DicomPreset);
    sendLUTUploadProgress(++m_step, LUTUploadProgressCount());
    return preset;
}

WideDisplayDDCCI::WideDisplayDDCCI(int displayId, QObject* parent) : WideDisplayBase(displayId, parent) {}

bool WideDisplayDDCCI::checkChannel()
{
    const std::shared_ptr<DDCCIControl> transport = getVideocardDDCCI();
    if (transport && transport->protocolKind() == DDCCIControl::ProtocolWideDDCCI)
        return true;
    qDebug() << "WideDisplayDDCCI no DDC/CI connection";
    return false;
}

bool WideDisplayDDCCI::readACK()
{
    unsigned char ack[DDCCIControl::MaxPackageSize];
    if (ddcci()->read(ack, 1) != 1) {
        qDebug() << "WideDisplayDDCCI read ACK failed";
        return false;
    }
    switch (ack[0]) {
    case 0x30:
        qDebug() << "WideDisplayDDCCI Acknowledge";
        break;
    case 0x37:
        qDebug() << "WideDisplayDDCCI No acknowledge";
        break;
    case 0x80:
        qDebug() << "WideDisplayDDCCI Unknown operation";
        break;
    case 0x81:
        qDebug() << "WideDisplayDDCCI Wrong register number";
        break;
    case 0x82:
        qDebug() << "WideDisplayDDCCI Check sum error";
        break;
    case 0x84:
        qDebug() << "WideDisplayDDCCI Wrong size of data";
        break;
    default:
        qDebug() << "WideDisplayDDCCI something bad happens" << ack[0];
        break;
    }
    return true;
}

bool WideDisplayDDCCI::writeCommand(unsigned char op, unsigned char reg,
                                    const std::vector<unsigned char>& data, int delayMs, int /*waitMs*/)
{
    if (!ddcci() || data.size() > 120)
        return false;
    std::vector<unsigned char> payload{op, reg, static_cast<unsigned char>(data.size())};
    payload.insert(payload.end(), data.begin(), data.end());
    if (ddcci()->write(payload.data(), static_cast<unsigned>(payload.size()),
                       static_cast<unsigned>(delayMs)) != 0) {
        qDebug() << "WideDisplayDDCCI write pkg failed";
        return false;
    }
    if (!readACK()) {
        qDebug() << "WideDisplayDDCCI read ack failed";
        return false;
    }
    return true;
}

std::vector<unsigned char> WideDisplayDDCCI::readCommand(unsigned char op, unsigned char reg, int len,
                                                         int delayMs, int waitMs)
{
    if (!writeCommand(op, reg, {}, delayMs, waitMs))
        return {};
    DDCCIAutoDelay::waitServingEvents(waitMs);
    unsigned char reply[DDCCIControl::MaxPackageSize];
    const int n = ddcci()->read(reply, static_cast<unsigned>(len));
    if (n != len) {
        qDebug() << "WideDisplayDDCCI wrong answer size" << n;
        return {};
    }
    std::vector<unsigned char> value(reply, reply + n);
    qDebug() << "WideDisplayDDCCI register value"
             << QByteArray(reinterpret_cast<const char*>(reply), n).toHex();
    return value;
}

std::vector<unsigned char> WideDisplayDDCCI::readRegister(unsigned char reg, int len, int delayMs, int waitMs)
{
    return readCommand(OpReadRegister, reg, len, delayMs, waitMs);
}

std::vector<unsigned char> WideDisplayDDCCI::writeRegister(unsigned char reg, std::vector<unsigned char> data,
                                                           int delayMs, int waitMs)
{
    return writeCommand(OpWriteRegister, reg, data, delayMs, waitMs) ? data : std::vector<unsigned char>();
}

WideDisplayUSB::WideDisplayUSB(int displayId, QObject* parent) : WideDisplayBase(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_USB);
}

bool WideDisplayUSB::checkChannel()
{
    // The automatic choice lands on the USB port when the display's cable carries no DDC/CI.
    std::shared_ptr<DDCCIControl> transport = getVideocardDDCCI();
    if (!transport || transport->protocolKind() != DDCCIControl::ProtocolWideUSB)
        transport = DDCCIFactory::create(DDCCIFactory::DeviceWideUsb, displayId());
    if (transport && transport->hardwareReconnect()) {
        setTransport(transport);
        return true;
    }
    qDebug() << "WideDisplayUSB no USB connection";
    return false;
}

bool WideDisplayUSB::openChannel()
{
    if (!WideDisplayBase::openChannel())
        return false;
    qDebug() << "WideDisplayUSB connected by USB";
    return true;
}

bool WideDisplayUSB::readAck()
{
    unsigned char ack[DDCCIControl::MaxPackageSize];
    const int n = ddcci()->read(ack, 8);
    if (n == 1 && ack[0] == 0x00) {
        qDebug() << "WideDisplayUSB ack ok";
        return true;
    }
    qDebug() << "WideDisplayUSB wrong ack!" << n;
    if (n > 0)
        qDebug() << "WideDisplayUSB ack byte:" << ack[0];
    return false;
}

bool WideDisplayUSB::writeCommand(unsigned char op, unsigned char reg, const std::vector<unsigned char>& data,
                                  int delayMs, int /*waitMs*/)
{
    if (!ddcci() || data.size() > 56)
        return false;
    std::vector<unsigned char> payload{op, reg, static_cast<unsigned char>(data.size())};
    payload.insert(payload.end(), data.begin(), data.end());
    if (ddcci()->write(payload.data(), static_cast<unsigned>(payload.size()),
                       static_cast<unsigned>(delayMs)) != 0) {
        qDebug() << "WideDisplayUSB write pkg failed";
        return false;
    }
    return readAck();
}

std::vector<unsigned char> WideDisplayUSB::readRegister(unsigned char reg, int len, int delayMs, int waitMs)
{
    if (!writeCommand(OpReadRegister, reg, {}, delayMs, waitMs))
        return {};
    DDCCIAutoDelay::waitServingEvents(waitMs);
    unsigned char reply[DDCCIControl::MaxPackageSize];
    const int n = ddcci()->read(reply, static_cast<unsigned>(len + UsbReplyPrefix));
    // The reply repeats the command and the register before the value.
    if (n != len + UsbReplyPrefix || reply[0] != OpReadRegister || reply[1] != reg) {
        qDebug() << "WideDisplayUSB wrong answer size" << n;
        return {};
    }
    qDebug() << "WideDisplayUSB remove prefix";
    std::vector<unsigned char> value(reply + UsbReplyPrefix, reply + n);
    qDebug() << "WideDisplayUSB register value"
             << QByteArray(reinterpret_cast<const char*>(value.data()), len).toHex();
    return value;
}

std::vector<unsigned char> WideDisplayUSB::writeRegister(unsigned char reg, std::vector<unsigned char> data,
                                                         int delayMs, int waitMs)
{
    return writeCommand(OpWriteRegister, reg, data, delayMs, waitMs) ? data : std::vector<unsigned char>();
}
