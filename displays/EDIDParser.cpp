#include "displays/EDIDParser.h"

#include <QDebug>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {

constexpr unsigned DescriptorSize = 18;
constexpr std::array<unsigned, 4> DescriptorOffsets{54, 72, 90, 108};
constexpr unsigned DescriptorTextOffset = 5;
constexpr unsigned DescriptorTextLength = 13;
constexpr unsigned BaseBlockSize = 128;
// Above this size the EDID carries descriptors; at or below it only the header part is trusted.
constexpr unsigned DescriptorBlockThreshold = 64;
constexpr unsigned StandardTimingsBegin = 38;
constexpr unsigned StandardTimingsEnd = 54;

// Trade names of the manufacturer codes that displays of our customers carry.
const QHash<QString, QString>& manufacturerNames()
{
    static const QHash<QString, QString> names{
        {"ABP", "Advansys"},
        {"ACC", "Accton"},
        {"ACU", "Acculogic"},
        {"ADI", "ADI Systems"},
        {"ADP", "Adaptec"},
        {"ADV", "AMD"},
        {"AEI", "Actiontec"},
        {"ALI", "Acer Labs"},
        {"AMI", "American Megatrends"},
        {"ANS", "Ansel"},
        {"AOC", "AOC"},
        {"APA", "Adaptec"},
        {"APC", "American Power Conversion"},
        {"API", "A Plus Info"},
        {"APP", "Apple"},
        {"ARC", "Alta Research"},
        {"ASC", "Ascom"},
        {"AST", "AST Research"},
        {"ATI", "ATI"},
        {"ATK", "Allied Telesyn"},
        {"AZT", "Aztech"},
        {"BDS", "Barco"},
        {"BRI", "Boca Research"},
        {"BUS", "BusLogic"},
        {"CON", "Conner"},
        {"CPL", "Compal"},
        {"CPQ", "Compaq"},
        {"CPX", "Powermatic"},
        {"CRS", "Crescendo"},
        {"CRX", "Cyrix"},
        {"CSC", "Crystal Semiconductor"},
        {"CSI", "Cabletron"},
        {"CTL", "Creative Labs"},
        {"DBK", "Databook"},
        {"DEL", "Dell"},
        {"DLK", "D-Link"},
        {"DWE", "Daewoo"},
        {"DXP", "Data Expert"},
        {"EIZ", "EIZO"},
        {"ELS", "ELSA"},
        {"EXI", "Exide"},
        {"FDC", "Future Domain"},
        {"FPS", "FORS"},
        {"GSM", "LG"},
        {"HAY", "Hayes"},
        {"HEI", "Hyundai"},
        {"HSL", "Hansol"},
        {"HTC", "Hitachi"},
        {"HWP", "HP"},
        {"IBM", "IBM"},
        {"ICL", "Fujitsu ICL"},
        {"ICU", "Intel"},
        {"INI", "Initio"},
        {"INT", "Interphase"},
        {"IVM", "Iiyama"},
        {"KTC", "Kingston"},
        {"KTM", "Advantech"},
        {"LGI", "Logitech"},
        {"LNE", "Linksys"},
        {"MDG", "Madge"},
        {"MDY", "Microdyne"},
        {"MEI", "Panasonic"},
        {"MEL", "Mitsubishi"},
        {"MIR", "Miro"},
        {"MON", "Daewoo"},
        {"MOT", "Motorola"},
        {"MTX", "Matrox"},
        {"NAN", "NANAO"},
        {"NEC", "NEC"},
        {"NIC", "National Instruments"},
        {"NMX", "Neomagic"},
        {"NOK", "Nokia"},
        {"NSC", "National Semiconductor"},
        {"NVL", "Novell"},
        {"OLC", "Olicom"},
        {"PGS", "Princeton Graphics"},
        {"PHL", "Philips"},
        {"ROK", "Rockwell"},
        {"RTL", "Realtek"},
        {"SAM", "Samsung"},
        {"SKD", "Schneider & Koch"},
        {"SML", "Smile"},
        {"SNY", "Sony"},
        {"SRC", "Shamrock"},
        {"SSC", "Sierra Semiconductor"},
        {"SUP", "Supra"},
        {"SVE", "SVEC"},
        {"TAT", "Tatung"},
        {"TCI", "Tulip"},
        {"TCJ", "Teac"},
        {"TCM", "3Com"},
        {"TCO", "Thomas-Conrad"},
        {"TEX", "Texas Instruments"},
        {"TOS", "Toshiba"},
        {"USC", "UltraStor"},
        {"USR", "U.S. Robotics"},
        {"VSC", "ViewSonic"},
        {"WDC", "Western Digital"},
        {"WKC", "WIDE"},
        {"WTC", "Wen Technology"},
        {"WYS", "Wyse"},
        {"YMH", "Yamaha"},
        {"ZDS", "Zenith"},
    };
    return names;
}

// Two upper-case hex digits and a blank per byte.
QString hexDump(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    return QString::fromLatin1(bytes.toHex(' ').toUpper() + ' ');
}

// The text of a descriptor body: at most 13 bytes, up to the first 0 byte, one character per byte.
QString textAt(const QByteArray& edid, unsigned begin)
{
    QString text;
    const unsigned end = std::min<unsigned>(begin + DescriptorTextLength, static_cast<unsigned>(edid.size()));
    for (unsigned i = begin; i < end && edid.at(i) != '\0'; ++i)
        text += QChar(static_cast<unsigned char>(edid.at(i)));
    return text.trimmed();
}

bool hasDescriptorHeader(const QByteArray& edid, unsigned offset, unsigned char tag)
{
    if (offset + DescriptorTextOffset > static_cast<unsigned>(edid.size()))
        return false;
    const auto at = [&edid, offset](unsigned i) { return static_cast<unsigned char>(edid.at(offset + i)); };
    return at(0) == 0 && at(1) == 0 && at(2) == 0 && at(3) == tag && at(4) == 0;
}

} // namespace

EDIDParser::EDIDParser(const unsigned char* edid, unsigned length, QString defaultSerial)
    : m_defaultSerial(std::move(defaultSerial))
{
    if (edid && length > 0)
        m_edid = QByteArray(reinterpret_cast<const char*>(edid), static_cast<qsizetype>(length));
    // Drivers hand over a zeroed buffer when the display did not answer; that is no EDID, and
    // reading one would give every such display the same serial "00000000".
    if (!m_edid.isEmpty() && std::all_of(m_edid.cbegin(), m_edid.cend(), [](char c) { return c == 0; })) {
        qDebug() << "EDIDParser: the" << m_edid.size() << "EDID bytes are all zero, taken as no EDID";
        m_edid.clear();
        length = 0;
    }
    fillDescriptors();
    if (length >= 20)
        m_version = static_cast<int>(byteAt(18) * 10 + byteAt(19));
    qDebug().noquote() << "@@ Dump: " + hexDump(m_edid);
}

EDIDParser::EDIDParser(const QByteArray& edid, QString defaultSerial)
    : EDIDParser(reinterpret_cast<const unsigned char*>(edid.constData()), static_cast<unsigned>(edid.size()),
                 std::move(defaultSerial))
{
}

unsigned EDIDParser::byteAt(unsigned index) const
{
    return index < length() ? static_cast<unsigned char>(m_edid.at(index)) : 0u;
}

void EDIDParser::fillDescriptors()
{
    for (const unsigned offset : DescriptorOffsets) {
        if (offset + DescriptorSize <= length())
            m_descriptors.push_back(offset);
    }
}

bool EDIDParser::isDetailedTiming(unsigned offset) const
{
    return byteAt(offset) != 0 || byteAt(offset + 1) != 0;
}

EDIDParser::Resolution EDIDParser::activePixels(unsigned offset) const
{
    return {static_cast<int>(((byteAt(offset + 4) >> 4) << 8) + byteAt(offset + 2)),
            static_cast<int>(((byteAt(offset + 7) >> 4) << 8) + byteAt(offset + 5))};
}

EDIDParser::Resolution EDIDParser::imageSizeMm(unsigned offset) const
{
    return {static_cast<int>(((byteAt(offset + 14) & 0xF0) << 4) + byteAt(offset + 12)),
            static_cast<int>(((byteAt(offset + 14) & 0x0F) << 8) + byteAt(offset + 13))};
}

QString EDIDParser::descriptorText(unsigned offset) const
{
    return textAt(m_edid, offset + DescriptorTextOffset);
}

QString EDIDParser::getEDIDString(unsigned char tag) const
{
    for (const unsigned offset : m_descriptors) {
        if (hasDescriptorHeader(m_edid, offset, tag))
            return descriptorText(offset);
    }
    return {};
}

QString EDIDParser::getShortManufacturer() const
{
    if (length() < 10)
        return {};
    const unsigned high = byteAt(8);
    const unsigned low = byteAt(9);
    const std::array<unsigned, 3> letters{(high >> 2) & 31, ((high & 3) << 3) | (low >> 5), low & 31};
    QString code;
    for (const unsigned letter : letters) {
        // Only 1 to 26 are letters; anything else is a zero-filled or garbage block, which has no
        // manufacturer rather than one called "@@@".
        if (letter < 1 || letter > 26) {
            qDebug() << "EDIDParser::getShortManufacturer() no manufacturer letters in bytes 8 and 9";
            return {};
        }
        code += QChar(static_cast<char16_t>(letter + 64));
    }
    return code;
}

QString EDIDParser::longManufacturer(QString code)
{
    return manufacturerNames().value(code, code);
}

QString EDIDParser::manufacturer()
{
    if (m_edid.isEmpty())
        return {};
    if (m_manufacturer.isEmpty()) {
        m_manufacturer = longManufacturer(getShortManufacturer());
        qDebug() << "%% Manufacturer:" << m_manufacturer;
    }
    return m_manufacturer;
}

QString EDIDParser::name()
{
    if (m_edid.isEmpty())
        return {};
    if (!m_name.isEmpty())
        return m_name;
    QString name;
    if (length() > DescriptorBlockThreshold) {
        name = getEDIDString(TagName);
        qDebug() << "EDIDParser::name() EDID name 1" << name;
        if (name.isEmpty())
            name = getEDIDString(TagText);
    }
    // Without a name descriptor the product code stands for the model, byte 11 first.
    if (name.isEmpty() && length() >= 12)
        name = getEDIDIntervalHex(10, 12, true);
    m_name = cleanString(name);
    return m_name;
}

QString EDIDParser::getEDIDIntervalHex(unsigned from, unsigned to, bool reverse) const
{
    if (to <= from || from >= length())
        return {};
    QByteArray bytes = m_edid.mid(from, std::min(to, length()) - from);
    if (reverse)
        std::reverse(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

bool EDIDParser::isSerialLooksFaked(QString serial, bool strict)
{
    if (serial.isEmpty())
        return true;
    if (strict)
        return serial == QLatin1String("01010101");
    return serial == QLatin1String("01010101") || serial == QLatin1String("01000000") ||
           serial == QLatin1String("00000000") || serial == QLatin1String("00000001");
}

QString EDIDParser::cleanString(QString text)
{
    // The class holds the range from blank to underscore on purpose: digits, capitals and most
    // punctuation survive, as in the serials and names stored by earlier versions.
    static const QRegularExpression notAllowed(QStringLiteral("[^a-zA-Z -_0-9]"));
    return text.remove(notAllowed);
}

QString EDIDParser::serialFromExtensions() const
{
    for (unsigned offset = BaseBlockSize; offset + DescriptorSize <= length(); ++offset) {
        if (hasDescriptorHeader(m_edid, offset, TagSerial))
            return textAt(m_edid, offset + DescriptorTextOffset);
    }
    return {};
}

QString EDIDParser::serialFromDescriptors()
{
    QString s = getEDIDString(TagSerial);
    qDebug() << "EDIDParser::serial() EDID serial 1" << s;
    if (s.isEmpty() && getShortManufacturer() == QLatin1String("BDS")) {
        s = getEDIDString(TagVendorSerial);
        qDebug() << "EDIDParser::serial() Barco serial" << s;
    }
    if (s.isEmpty() && length() > BaseBlockSize) {
        s = serialFromExtensions();
        qDebug() << "EDIDParser::serial() EDID serial from block 1 and 2" << s;
    }
    if (s.isEmpty()) {
        s = getEDIDIntervalHex(12, 16, true);
        qDebug() << "EDIDParser::serial() EDID serial 2" << s;
    }
    if (isSerialLooksFaked(s, false)) {
        s = getEDIDString(TagText);
        qDebug() << "EDIDParser::serial() EDID serial 3" << s;
    }
    if (s.isEmpty()) {
        s = getEDIDIntervalHex(12, 16, true);
        qDebug() << "EDIDParser::serial() EDID serial 4" << s;
    }
    if (isSerialLooksFaked(s, true))
        s = m_defaultSerial;
    return s;
}

QString EDIDParser::serial()
{
    if (!m_serial.isEmpty())
        return m_serial;
    if (m_edid.isEmpty())
        return m_defaultSerial;
    QString s;
    if (length() <= DescriptorBlockThreshold) {
        s = m_defaultSerial;
        if (length() > 16) {
            const QString number = getEDIDIntervalHex(12, 16, true);
            if (!isSerialLooksFaked(number, false))
                s = number;
        }
    } else {
        s = serialFromDescriptors();
    }
    // Some makers write "model/serial" or "batch\serial": the identity is the last part.
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('\\')}) {
        const qsizetype at = s.lastIndexOf(separator);
        if (at >= 0)
            s = s.mid(at + 1);
    }
    m_serial = cleanString(s);
    return m_serial;
}

std::vector<EDIDParser::Resolution> EDIDParser::realSizesMm()
{
    if (m_edid.isEmpty() || m_sizesDone)
        return m_sizes;
    for (const unsigned offset : m_descriptors) {
        if (!isDetailedTiming(offset))
            continue;
        const Resolution size = imageSizeMm(offset);
        qDebug() << "EDIDParser::realSizesMm() Real size:" << size.width << size.height;
        m_sizes.push_back(size);
    }
    if (m_sizes.empty() && length() > 22) {
        const Resolution size = screenSizeCm();
        m_sizes.push_back({size.width * 10, size.height * 10});
        qDebug() << "EDIDParser::realSizesMm() Real size:" << m_sizes.back().width << m_sizes.back().height;
    }
    m_sizesDone = true;
    return m_sizes;
}

std::vector<EDIDParser::Resolution> EDIDParser::standardTimings() const
{
    std::vector<Resolution> timings;
    for (unsigned i = StandardTimingsBegin; i + 1 < StandardTimingsEnd && i + 1 < length(); i += 2) {
        const unsigned first = byteAt(i);
        const unsigned second = byteAt(i + 1);
        if (first == 1 && second == 1)
            continue;
        const int width = static_cast<int>((first + 31) * 8);
        int height = width;
        switch (second >> 6) {
        case 0:
            height = m_version >= 13 ? width * 5 / 8 : width;
            break;
        case 1:
            height = width * 3 / 4;
            break;
        case 2:
            height = width * 4 / 5;
            break;
        default:
            height = width * 9 / 16;
            break;
        }
        timings.push_back({width, height});
    }
    return timings;
}

std::vector<EDIDParser::Resolution> EDIDParser::resolutions()
{
    if (m_edid.isEmpty() || m_resolutionsDone)
        return m_resolutions;
    for (const unsigned offset : m_descriptors) {
        if (!isDetailedTiming(offset))
            continue;
        const Resolution pixels = activePixels(offset);
        qDebug() << "EDIDParser::resolutions() Resolution:" << pixels.width << pixels.height;
        m_resolutions.push_back(pixels);
    }
    if (m_resolutions.empty())
        m_resolutions = standardTimings();
    m_resolutionsDone = true;
    return m_resolutions;
}

bool EDIDParser::hasValidHeader() const
{
    static const QByteArray header = QByteArray::fromHex("00ffffffffffff00");
    return m_edid.startsWith(header);
}

bool EDIDParser::isChecksumValid() const
{
    if (length() < BaseBlockSize)
        return false;
    unsigned sum = 0;
    for (unsigned i = 0; i < BaseBlockSize; ++i)
        sum += byteAt(i);
    return sum % 256 == 0;
}

int EDIDParser::productCode() const
{
    return length() >= 12 ? static_cast<int>(byteAt(10) | (byteAt(11) << 8)) : -1;
}

quint32 EDIDParser::serialNumber() const
{
    if (length() < 16)
        return 0;
    return byteAt(12) | (byteAt(13) << 8) | (byteAt(14) << 16) | (static_cast<quint32>(byteAt(15)) << 24);
}

int EDIDParser::manufactureWeek() const
{
    return length() >= 17 ? static_cast<int>(byteAt(16)) : -1;
}

int EDIDParser::manufactureYear() const
{
    return length() >= 18 ? static_cast<int>(byteAt(17)) + 1990 : -1;
}

int EDIDParser::extensionCount() const
{
    return length() >= BaseBlockSize ? static_cast<int>(byteAt(126)) : 0;
}

EDIDParser::Resolution EDIDParser::preferredResolution() const
{
    for (const unsigned offset : m_descriptors) {
        if (isDetailedTiming(offset))
            return activePixels(offset);
    }
    return {};
}

EDIDParser::Resolution EDIDParser::screenSizeCm() const
{
    return {static_cast<int>(byteAt(21)), static_cast<int>(byteAt(22))};
}
