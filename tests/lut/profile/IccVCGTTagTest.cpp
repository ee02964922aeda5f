#include "lut/IccVCGTTag.h"

#include "tests/lut/profile/IccFileBytes.h"
#include "tests/lut/profile/LogCapture.h"

#include <gtest/gtest.h>
#include <lcms2.h>

namespace {

std::vector<std::vector<unsigned>> pattern(int channels, int entries)
{
    std::vector<std::vector<unsigned>> table(channels);
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < entries; ++i)
            table[c].push_back(static_cast<unsigned>((i * 65535 / (entries - 1)) ^ (c * 0x0101)) & 0xffff);
    }
    return table;
}

std::vector<unsigned> row(const IccVCGTTag& tag, int channel)
{
    const auto entries = tag[channel];
    return {entries.begin(), entries.end()};
}

// 16.16 fixed-point encoding of a formula parameter.
unsigned fixed(double value)
{
    return static_cast<unsigned>(value * 65536.0);
}

} // namespace

TEST(IccVCGTTagTest, SixteenBitTablesRoundTripByteForByte)
{
    for (const int entries : {256, 1024}) {
        const auto table = pattern(3, entries);
        const QByteArray stored = IccFileBytes::vcgtTable(table, 2, 0x12345678);
        IccVCGTTag tag;
        ASSERT_TRUE(tag.Read(stored)) << entries;
        EXPECT_EQ(tag.channels(), 3);
        EXPECT_EQ(tag.entryCount(), entries);
        EXPECT_EQ(tag.reserved(), 0x12345678u);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(row(tag, c), table[c]) << "channel " << c << " of " << entries;

        QByteArray written;
        ASSERT_TRUE(tag.Write(written));
        EXPECT_EQ(written, stored) << entries;
        EXPECT_EQ(written.size(), IccVCGTTag::TableHeaderSize + 3 * entries * 2);

        const auto copy = tag.NewCopy();
        QByteArray copied;
        ASSERT_TRUE(copy->Write(copied));
        EXPECT_EQ(copied, stored);
    }
}

TEST(IccVCGTTagTest, NarrowEntriesScaleToSixteenBits)
{
    // Three 1-byte entries 0, 128, 255 stand for 0, 128/255 and full output.
    IccVCGTTag tag;
    ASSERT_TRUE(tag.Read(IccFileBytes::vcgtTable({{0, 128, 255}, {0, 128, 255}, {0, 128, 255}}, 1)));
    EXPECT_EQ(row(tag, 0), (std::vector<unsigned>{0, 32896, 65535}));
    EXPECT_EQ(row(tag, 2), (std::vector<unsigned>{0, 32896, 65535}));

    // A full 8-bit ramp becomes the 16-bit ramp 257 * i, which is written back with 2-byte entries.
    std::vector<unsigned> ramp8;
    std::vector<unsigned> ramp16;
    for (unsigned i = 0; i < 256; ++i) {
        ramp8.push_back(i);
        ramp16.push_back(i * 257);
    }
    ASSERT_TRUE(tag.Read(IccFileBytes::vcgtTable({ramp8, ramp8, ramp8}, 1)));
    EXPECT_EQ(row(tag, 1), ramp16);
    QByteArray written;
    ASSERT_TRUE(tag.Write(written));
    EXPECT_EQ(written, IccFileBytes::vcgtTable({ramp16, ramp16, ramp16}, 2));

    // 4-byte entries: 2^31 of 2^32-1 is just above half.
    ASSERT_TRUE(tag.Read(IccFileBytes::vcgtTable({{0, 0x80000000u, 0xffffffffu}}, 4)));
    EXPECT_EQ(row(tag, 0), (std::vector<unsigned>{0, 32767, 65535}));
}

TEST(IccVCGTTagTest, FormulaFormFollowsGammaMinimumMaximum)
{
    IccVCGTTag tag;
    const unsigned linear[9] = {fixed(1), 0, fixed(1), fixed(1), 0, fixed(1), fixed(1), 0, fixed(1)};
    ASSERT_TRUE(tag.Read(IccFileBytes::vcgtFormula(linear)));
    ASSERT_EQ(tag.channels(), 3);
    ASSERT_EQ(tag.entryCount(), 256);
    for (int c = 0; c < 3; ++c) {
        for (unsigned i = 0; i < 256; ++i)
            ASSERT_EQ(tag[c][i], i * 257) << "entry " << i; // trunc(i / 255 * 65535)
    }

    // The ICC library's own reader of the formula form agrees within one level.
    const unsigned curved[9] = {fixed(2.2),    0,          fixed(1), fixed(1.8), fixed(0.0625),
                                fixed(0.9375), fixed(0.5), 0,        fixed(0.5)};
    const QByteArray formula = IccFileBytes::vcgtFormula(curved);
    ASSERT_TRUE(tag.Read(formula));
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    ASSERT_TRUE(cmsWriteRawTag(profile, cmsSigVcgtTag, formula.constData(), formula.size()));
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray saved(size, '\0');
    cmsSaveProfileToMem(profile, saved.data(), &size);
    cmsCloseProfile(profile);
    cmsHPROFILE reread = cmsOpenProfileFromMem(saved.constData(), size);
    ASSERT_NE(reread, nullptr);
    auto* curves = static_cast<cmsToneCurve**>(cmsReadTag(reread, cmsSigVcgtTag));
    ASSERT_NE(curves, nullptr);
    for (int c = 0; c < 3; ++c) {
        for (unsigned i = 0; i < 256; i += 15) {
            const int reference = cmsEvalToneCurve16(curves[c], static_cast<cmsUInt16Number>(i * 257));
            EXPECT_NEAR(tag[c][i], reference, 1) << "channel " << c << " entry " << i;
        }
    }
    cmsCloseProfile(reread);

    // A maximum below the minimum is reported but still gives a table (a falling one).
    LogCapture log;
    const unsigned inverted[9] = {fixed(1), fixed(1), 0, fixed(1), 0, fixed(1), fixed(1), 0, fixed(1)};
    ASSERT_TRUE(tag.Read(IccFileBytes::vcgtFormula(inverted)));
    EXPECT_TRUE(log.contains("vcgt incorrect min/max values:"));
    EXPECT_EQ(tag[0][0], 65535);
    EXPECT_EQ(tag[0][255], 0);
    QString report;
    EXPECT_FALSE(tag.Validate(report));
    EXPECT_TRUE(report.contains("channel 0"));
}

TEST(IccVCGTTagTest, BrokenTagsAreRefusedWithAMessage)
{
    IccVCGTTag tag;
    {
        LogCapture log;
        const unsigned steep[9] = {fixed(1), 0, fixed(1), fixed(0.05), 0, fixed(1), fixed(1), 0, fixed(1)};
        EXPECT_FALSE(tag.Read(IccFileBytes::vcgtFormula(steep)));
        EXPECT_TRUE(log.contains("vcgt gamma incorrect value:"));
        EXPECT_TRUE(log.contains("channel: 1"));
        const unsigned flat[9] = {fixed(10.5), 0, fixed(1), fixed(1), 0, fixed(1), fixed(1), 0, fixed(1)};
        EXPECT_FALSE(tag.Read(IccFileBytes::vcgtFormula(flat)));
    }
    {
        LogCapture log;
        QByteArray unknown = IccFileBytes::vcgtTable({{0, 1}}, 2);
        unknown[11] = 2;
        EXPECT_FALSE(tag.Read(unknown));
        EXPECT_TRUE(log.contains("Unknown VCGT type"));
    }
    const QByteArray full = IccFileBytes::vcgtTable(pattern(3, 256), 2);
    EXPECT_FALSE(tag.Read(full.left(17)));                          // shorter than the table header
    EXPECT_FALSE(tag.Read(full.left(full.size() - 1)));             // last entry cut
    EXPECT_FALSE(tag.Read(IccFileBytes::vcgtFormula({}).left(40))); // formula parameters cut
    EXPECT_FALSE(tag.Read(IccFileBytes::vcgtTable({{1, 2}}, 0)));   // no entry size
    EXPECT_FALSE(tag.Read(IccFileBytes::vcgtTable({}, 2)));         // no channels

    // Sizing with a zero dimension keeps the table.
    IccVCGTTag sized;
    sized.SetSize(3, 4);
    sized[1][2] = 77;
    sized.SetSize(0, 8);
    sized.SetSize(3, 0);
    EXPECT_EQ(sized.channels(), 3);
    EXPECT_EQ(sized.entryCount(), 4);
    EXPECT_EQ(sized[1][2], 77);
    EXPECT_TRUE(sized[3].empty());
    EXPECT_EQ(sized.GetType(), 0x76636774u);
}

// A small profile may declare an enormous table: the claim is checked against the
// bytes present before anything is allocated.
TEST(IccVCGTTagBounds, ATableLargerThanItsTagIsRefused)
{
    auto header = [](unsigned channels, unsigned entries) {
        QByteArray tag("vcgt");
        tag.append(QByteArray(8, '\0')); // reserved, type 0 (table)
        for (const unsigned value : {channels, entries, 2u}) {
            tag.append(static_cast<char>(value >> 8));
            tag.append(static_cast<char>(value & 0xff));
        }
        return tag + QByteArray(3000, '\x7f');
    };
    IccVCGTTag tag;
    EXPECT_FALSE(tag.Read(header(65535, 65535)));
    EXPECT_FALSE(tag.Read(header(3, 65535)));
    EXPECT_TRUE(tag.Read(header(3, 500)));
}
