#include "displays/EDIDParser.h"

#include "tests/displays/EdidBuilder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(EDID_FIXTURE_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList fixtureNames()
{
    return QDir(QStringLiteral(EDID_FIXTURE_DIR))
        .entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
}

// A field of edid-decode's report, the first capture of `pattern`; empty when absent.
QString decoded(const QString& report, const QString& pattern)
{
    const QRegularExpressionMatch match =
        QRegularExpression(pattern, QRegularExpression::MultilineOption).match(report);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString hex(quint32 number)
{
    return QStringLiteral("%1").arg(number, 8, 16, QLatin1Char('0'));
}

} // namespace

// The identity of real displays, checked against edid-decode, a decoder written by others.
TEST(EDIDParserTest, RealBlobsAgreeWithAnIndependentDecoder)
{
    const QString decoder = QStandardPaths::findExecutable(QStringLiteral("edid-decode"));
    if (decoder.isEmpty())
        GTEST_SKIP() << "edid-decode is not installed (scripts/install-deps.sh)";
    ASSERT_GE(fixtureNames().size(), 3);
    for (const QString& name : fixtureNames()) {
        SCOPED_TRACE(name.toStdString());
        QProcess process;
        process.start(decoder, {QStringLiteral(EDID_FIXTURE_DIR "/") + name});
        ASSERT_TRUE(process.waitForFinished(30000));
        const QString report = QString::fromUtf8(process.readAllStandardOutput());
        EDIDParser parser(fixture(name), QStringLiteral("OUTPUT"));

        EXPECT_EQ(parser.getShortManufacturer(), decoded(report, QStringLiteral("Manufacturer: (\\w{3})")));
        EXPECT_EQ(QString::number(parser.productCode()), decoded(report, QStringLiteral("Model: (\\d+)")));
        const QString serial = decoded(report, QStringLiteral("^\\s+Serial Number: (\\d+)"));
        EXPECT_EQ(QString::number(parser.serialNumber()), serial.isEmpty() ? QStringLiteral("0") : serial);
        EXPECT_EQ(QStringLiteral("%1.%2").arg(parser.version() / 10).arg(parser.version() % 10),
                  decoded(report, QStringLiteral("Version & Revision: (\\d\\.\\d)")));
        EXPECT_EQ(QString::number(parser.manufactureYear()),
                  decoded(report, QStringLiteral("Made in: .*?(\\d{4})")));
        EXPECT_EQ(QStringLiteral("%1 cm x %2 cm")
                      .arg(parser.screenSizeCm().width)
                      .arg(parser.screenSizeCm().height),
                  decoded(report, QStringLiteral("Maximum image size: (\\d+ cm x \\d+ cm)")));
        EXPECT_EQ(parser.getEDIDString(EDIDParser::TagName),
                  decoded(report, QStringLiteral("Display Product Name: '(.*)'")));
        EXPECT_EQ(parser.getEDIDString(EDIDParser::TagSerial),
                  decoded(report, QStringLiteral("Display Product Serial Number: '(.*)'")));
        EXPECT_EQ(parser.getEDIDString(EDIDParser::TagText),
                  decoded(report, QStringLiteral("Alphanumeric Data String: '(.*)'")));
        ASSERT_FALSE(parser.resolutions().empty());
        EXPECT_EQ(QStringLiteral("%1x%2")
                      .arg(parser.resolutions().front().width)
                      .arg(parser.resolutions().front().height),
                  decoded(report, QStringLiteral("DTD 1:\\s+(\\d+x\\d+)")));
        EXPECT_EQ(QStringLiteral("%1 mm x %2 mm")
                      .arg(parser.realSizesMm().front().width)
                      .arg(parser.realSizesMm().front().height),
                  decoded(report, QStringLiteral("DTD 1:.*\\((\\d+ mm x \\d+ mm)\\)")));
        EXPECT_EQ(QString::number(parser.extensionCount()),
                  decoded(report, QStringLiteral("Extension blocks: (\\d+)")).isEmpty()
                      ? QStringLiteral("0")
                      : decoded(report, QStringLiteral("Extension blocks: (\\d+)")));
        EXPECT_TRUE(parser.hasValidHeader());
        EXPECT_TRUE(parser.isChecksumValid());
    }
}

// The identity strings the enumeration keys displays on, for three makers and eras. Reference
// facts (descriptor texts, numeric serials) are edid-decode's.
TEST(EDIDParserTest, IdentityOfRealDisplays)
{
    // 1.4 with a CTA extension; serial both numeric and in a descriptor: the descriptor wins.
    EDIDParser dell(fixture("DELL-U2713H.bin"), "OUT");
    EXPECT_EQ(dell.name(), "DELL U2713H");
    EXPECT_EQ(dell.serial(), "C6F0K34T1CWL");
    EXPECT_EQ(dell.manufacturer(), "Dell");
    EXPECT_EQ(dell.extensionCount(), 1);
    // Only the base block's descriptors count, not the extension's timings.
    EXPECT_EQ(dell.resolutions(), (std::vector<EDIDParser::Resolution>{{2560, 1440}}));
    EXPECT_EQ(dell.realSizesMm(), (std::vector<EDIDParser::Resolution>{{597, 336}}));

    // 1.3 without a serial descriptor: the 32-bit number 34398, most significant byte first.
    EDIDParser lg(fixture("LG-L225W-External.bin"), "OUT");
    EXPECT_EQ(lg.name(), "L225W");
    EXPECT_EQ(lg.serial(), hex(34398));
    EXPECT_EQ(lg.manufacturer(), "LG");
    EXPECT_EQ(lg.realSizesMm().size(), 2u);

    // A laptop panel: no name descriptor, serial 0; the unspecified text stands for both.
    EDIDParser ibm(fixture("Lenovo-T61-Internal.bin"), "OUT");
    EXPECT_EQ(ibm.name(), "LTN154P2-L05");
    EXPECT_EQ(ibm.serial(), "LTN154P2-L05");
    EXPECT_EQ(ibm.manufacturer(), "IBM");
    EXPECT_EQ(ibm.realSizesMm().front(), (EDIDParser::Resolution{331, 207}));
}

TEST(EDIDParserTest, NameFallsBackToTextThenProductCode)
{
    EDIDParser code(EdidBuilder().product(0x18, 0x58).bytes(), "OUT");
    EXPECT_EQ(code.name(), "5818");
    EDIDParser text(EdidBuilder().descriptor(0xFE, "Panel 15\n   ").bytes(), "OUT");
    EXPECT_EQ(text.name(), "Panel 15");
    // Thirteen characters without a line feed are taken whole; a shorter name loses its padding.
    EDIDParser full(EdidBuilder().descriptor(0xFC, "ABCDEFGHIJKLM").bytes(), "OUT");
    EXPECT_EQ(full.name(), "ABCDEFGHIJKLM");
    EDIDParser padded(EdidBuilder().descriptor(0xFC, "MD21\n        ").bytes(), "OUT");
    EXPECT_EQ(padded.name(), "MD21");
    // Characters outside the allowed class are dropped from names.
    EDIDParser odd(EdidBuilder().descriptor(0xFC, "Ra{d}~i\xe9o`x").bytes(), "OUT");
    EXPECT_EQ(odd.name(), "Radiox");
}

TEST(EDIDParserTest, SerialRules)
{
    // Descriptor serial "prefix/digits": the part after the last slash; then the same for "\".
    EXPECT_EQ(EDIDParser(EdidBuilder().descriptor(0xFF, "MD21/4521\n").bytes(), "OUT").serial(), "4521");
    EXPECT_EQ(EDIDParser(EdidBuilder().descriptor(0xFF, "a/b\\77").bytes(), "OUT").serial(), "77");
    // Faked numeric serial 01010101 without a serial descriptor: the text descriptor, else the default.
    const QByteArray faked = EdidBuilder().serialNumber(0x01010101).descriptor(0xFE, "SN 123\n").bytes();
    EXPECT_EQ(EDIDParser(faked, "OUT").serial(), "SN 123");
    EXPECT_EQ(EDIDParser(EdidBuilder().serialNumber(0x01010101).bytes(), "DP-1").serial(), "DP-1");
    // A zero number is faked too, but only 01010101 is faked strictly: "00000000" stays.
    EXPECT_EQ(EDIDParser(EdidBuilder().serialNumber(0).bytes(), "DP-1").serial(), "00000000");
    // Serial only in a descriptor (numeric serial 0).
    EXPECT_EQ(EDIDParser(EdidBuilder().serialNumber(0).descriptor(0xFF, "X1Y2Z3\n").bytes(), "OUT").serial(),
              "X1Y2Z3");
    // One maker keeps the serial in vendor descriptor 0x0F; others' 0x0F is not a serial.
    const auto vendor = [](const char* code) {
        return EdidBuilder().manufacturer(code).serialNumber(0x01010101).descriptor(0x0F, "B2412345").bytes();
    };
    EXPECT_EQ(EDIDParser(vendor("BDS"), "OUT").serial(), "B2412345");
    EXPECT_EQ(EDIDParser(vendor("DEL"), "OUT").serial(), "OUT");
    // A serial descriptor in an extension block is found when the base block has none.
    QByteArray inExtension = QByteArray::fromHex("00000000ff00") + "EXT998877\n";
    EXPECT_EQ(EDIDParser(EdidBuilder().serialNumber(0).extension(inExtension).bytes(), "OUT").serial(),
              "EXT998877");
    // No EDID: the default serial; a short one: its number unless faked.
    EXPECT_EQ(EDIDParser(QByteArray(), "DP-3").serial(), "DP-3");
    const QByteArray shortBlock = EdidBuilder().serialNumber(0x12345678).bytes().left(40);
    EXPECT_EQ(EDIDParser(shortBlock, "DP-3").serial(), "12345678");
    EXPECT_EQ(EDIDParser(EdidBuilder().serialNumber(1).bytes().left(40), "DP-3").serial(), "DP-3");
    EXPECT_EQ(EDIDParser(shortBlock.left(16), "DP-3").serial(), "DP-3");

    EXPECT_TRUE(EDIDParser::isSerialLooksFaked("", true));
    EXPECT_TRUE(EDIDParser::isSerialLooksFaked("00000001", false));
    EXPECT_FALSE(EDIDParser::isSerialLooksFaked("00000001", true));
    EXPECT_FALSE(EDIDParser::isSerialLooksFaked("01010102", false));
}

TEST(EDIDParserTest, ManufacturerCodes)
{
    EXPECT_EQ(EDIDParser(EdidBuilder().manufacturer("GSM").bytes(), "").manufacturer(), "LG");
    EXPECT_EQ(EDIDParser(EdidBuilder().manufacturer("WKC").bytes(), "").manufacturer(), "WIDE");
    EXPECT_EQ(EDIDParser(EdidBuilder().manufacturer("NAN").bytes(), "").manufacturer(), "NANAO");
    EXPECT_EQ(EDIDParser(EdidBuilder().manufacturer("XYZ").bytes(), "").manufacturer(), "XYZ");
    EXPECT_EQ(EDIDParser::longManufacturer("KTM"), "Advantech");
    // Bytes 8 and 9 must be there, and hold letters.
    EXPECT_EQ(EDIDParser(EdidBuilder().manufacturer("ZZA").bytes().left(9), "").getShortManufacturer(), "");
    EXPECT_EQ(EDIDParser(EdidBuilder().manufacturer("ZZA").bytes().left(10), "").getShortManufacturer(),
              "ZZA");
    EXPECT_EQ(EDIDParser(QByteArray(128, '\0'), "").manufacturer(), "");
}

TEST(EDIDParserTest, DescriptorsStayInsideTheData)
{
    const QByteArray edid = EdidBuilder()
                                .timing(1280, 1024, 376, 301)
                                .descriptor(0xFE, "second\n")
                                .descriptor(0xFC, "third\n")
                                .descriptor(0xFF, "fourth\n")
                                .bytes();
    EDIDParser cut(edid.left(100), "OUT");
    EXPECT_EQ(cut.getEDIDString(0xFE), "second");
    EXPECT_EQ(cut.getEDIDString(0xFC), "");
    EXPECT_EQ(cut.name(), "second");
    EDIDParser whole(edid, "OUT");
    EXPECT_EQ(whole.name(), "third");
    EXPECT_EQ(whole.serial(), "fourth");

    EXPECT_EQ(whole.getEDIDIntervalHex(8, 12, false), whole.bytes().mid(8, 4).toHex());
    EXPECT_EQ(whole.getEDIDIntervalHex(126, 200, true),
              whole.bytes().mid(126, 2).toHex().right(2) + whole.bytes().mid(126, 2).toHex().left(2));
    EXPECT_EQ(whole.getEDIDIntervalHex(12, 12, false), "");
    EXPECT_EQ(whole.getEDIDIntervalHex(200, 210, false), "");
}

TEST(EDIDParserTest, ResolutionsAndSizes)
{
    EDIDParser timings(EdidBuilder().timing(2048, 1536, 423, 317).timing(3840, 2160, 1210, 680).bytes(), "");
    EXPECT_EQ(timings.resolutions(), (std::vector<EDIDParser::Resolution>{{2048, 1536}, {3840, 2160}}));
    EXPECT_EQ(timings.realSizesMm(), (std::vector<EDIDParser::Resolution>{{423, 317}, {1210, 680}}));

    // No detailed timing: the standard timings, aspect from bits 7-6; the cm size x 10.
    const auto standard = [](int version, int revision) {
        return EdidBuilder()
            .version(version, revision)
            .sizeCm(52, 32)
            .standardTiming(0, 0x81, 0x00) // (129+31)*8 = 1280, 16:10 or 1:1
            .standardTiming(2, 0x61, 0x40) // 1024, 4:3
            .standardTiming(3, 0x81, 0x80) // 1280, 5:4
            .standardTiming(7, 0xd1, 0xc0) // 1920, 16:9
            .bytes();
    };
    EDIDParser v13(standard(1, 3), "");
    EXPECT_EQ(v13.resolutions(),
              (std::vector<EDIDParser::Resolution>{{1280, 800}, {1024, 768}, {1280, 1024}, {1920, 1080}}));
    EXPECT_EQ(v13.realSizesMm(), (std::vector<EDIDParser::Resolution>{{520, 320}}));
    EXPECT_EQ(EDIDParser(standard(1, 2), "").resolutions().front(), (EDIDParser::Resolution{1280, 1280}));
}

// Bytes from a dead cable, a bad driver or a truncated read: every reader answers, nothing reads
// past the data (the sanitizers watch), and the results are neutral.
TEST(EDIDParserTest, BrokenInputGivesNeutralResults)
{
    EDIDParser none(nullptr, 0, "DP-1");
    EXPECT_EQ(none.name(), "");
    EXPECT_EQ(none.serial(), "DP-1");
    EXPECT_EQ(none.manufacturer(), "");
    EXPECT_TRUE(none.resolutions().empty());
    EXPECT_TRUE(none.realSizesMm().empty());
    EXPECT_EQ(none.version(), 0);

    // A zeroed buffer from a display that did not answer is no EDID, not serial "00000000".
    EDIDParser zeros(QByteArray(256, '\0'), "DP-1");
    EXPECT_EQ(zeros.serial(), "DP-1");
    EXPECT_EQ(zeros.manufacturer(), "");
    EXPECT_FALSE(zeros.hasValidHeader());
    EXPECT_EQ(zeros.name(), "");
    EXPECT_EQ(zeros.length(), 0u);

    QByteArray corrupt = fixture("DELL-U2713H.bin");
    corrupt[20] = static_cast<char>(corrupt[20] ^ 0x40);
    EDIDParser wrongSum(corrupt, "OUT");
    EXPECT_FALSE(wrongSum.isChecksumValid());
    EXPECT_EQ(wrongSum.name(), "DELL U2713H");

    // Every prefix of a real EDID, and random blocks of every size up to three blocks.
    const QByteArray dell = fixture("DELL-U2713H.bin");
    QRandomGenerator random(20261206);
    for (int size = 0; size <= 384; ++size) {
        for (const QByteArray& bytes : {dell.left(size), QByteArray(size, '\xff')}) {
            EDIDParser parser(bytes, "DEF");
            EXPECT_FALSE(parser.serial().isEmpty());
            parser.name();
            parser.manufacturer();
            parser.resolutions();
            parser.realSizesMm();
        }
        QByteArray noise(size, '\0');
        for (char& c : noise)
            c = static_cast<char>(random.bounded(256));
        EDIDParser parser(noise, "DEF");
        EXPECT_FALSE(parser.serial().isEmpty());
        EXPECT_LE(parser.name().size(), 13);
        parser.resolutions();
        parser.realSizesMm();
        if (size >= 126) {
            EXPECT_EQ(EDIDParser(dell.left(size), "DEF").name(), "DELL U2713H");
        }
    }
}
