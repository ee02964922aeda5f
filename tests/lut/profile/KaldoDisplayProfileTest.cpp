#include "lut/KaldoDisplayProfile.h"

#include "tests/lut/profile/IccFileBytes.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <lcms2.h>

namespace {

KaldoDisplayProfile::LutValues calibrationTable(int entries, int seed)
{
    KaldoDisplayProfile::LutValues lut(3);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < entries; ++i)
            lut[c].push_back((i * 65535 / (entries - 1) * (90 + c + seed) / 100) & 0xffff);
    }
    return lut;
}

std::vector<std::vector<unsigned>> asUnsigned(const KaldoDisplayProfile::LutValues& lut)
{
    std::vector<std::vector<unsigned>> out;
    for (const auto& channel : lut)
        out.emplace_back(channel.begin(), channel.end());
    return out;
}

} // namespace

TEST(KaldoDisplayProfileTest, VcgtRoundTripsThroughTheFileInV2AndV4)
{
    const QString folder = TestPaths::freshFolder("roundtrip");
    for (const double version : {2.4, 4.3}) {
        for (const int entries : {256, 1024}) {
            const QString path = folder + QStringLiteral("/display-%1-%2.icc").arg(version).arg(entries);
            const auto lut = calibrationTable(entries, entries / 256);
            {
                KaldoDisplayProfile profile(path, "DP-1", 1, "Round trip");
                ASSERT_TRUE(profile.createProfile(version));
                ASSERT_TRUE(profile.InsertLUT(lut));
            }
            const QByteArray file = IccFileBytes::readFile(path);
            // Header: size, 'acsp' magic, version byte, display class 'mntr'.
            ASSERT_GE(file.size(), 132);
            EXPECT_EQ(IccFileBytes::get32(file, 0), static_cast<unsigned>(file.size()));
            EXPECT_EQ(file.mid(36, 4), QByteArray("acsp"));
            EXPECT_EQ(static_cast<int>(file.at(8)), version < 3 ? 2 : 4);
            EXPECT_EQ(file.mid(12, 4), QByteArray("mntr"));
            // The stored tag has exactly the table layout with 2-byte entries.
            EXPECT_EQ(IccFileBytes::tag(file, "vcgt"), IccFileBytes::vcgtTable(asUnsigned(lut), 2));

            const KaldoDisplayProfile reread(path, "DP-1", 1, {});
            KaldoDisplayProfile::LutValues back;
            ASSERT_TRUE(reread.ReadLUT(back));
            EXPECT_EQ(back, lut) << version << " " << entries;

            // The ICC library's own vcgt reader sees the same curves.
            cmsHPROFILE other = cmsOpenProfileFromMem(file.constData(), file.size());
            ASSERT_NE(other, nullptr);
            auto* curves = static_cast<cmsToneCurve**>(cmsReadTag(other, cmsSigVcgtTag));
            ASSERT_NE(curves, nullptr);
            if (entries == 256) {
                for (int c = 0; c < 3; ++c) {
                    for (int i = 0; i < 256; ++i)
                        ASSERT_EQ(cmsEvalToneCurve16(curves[c], static_cast<cmsUInt16Number>(i * 257)),
                                  lut[c][i]);
                }
            }
            cmsCloseProfile(other);
        }
    }
}

TEST(KaldoDisplayProfileTest, InsertLUTRefusesBadTablesAndKeepsLowBits)
{
    const QString path = TestPaths::freshFolder("insert") + "/display.icc";
    KaldoDisplayProfile profile(path, "DP-1", 1, {});
    ASSERT_TRUE(profile.InsertLUT(calibrationTable(256, 0)));
    const QByteArray before = IccFileBytes::readFile(path);

    auto uneven = calibrationTable(256, 1);
    uneven[2].pop_back();
    EXPECT_FALSE(profile.InsertLUT(uneven));
    EXPECT_FALSE(profile.InsertLUT({}));
    EXPECT_FALSE(profile.InsertLUT({{}, {}, {}}));
    EXPECT_EQ(IccFileBytes::readFile(path), before);

    auto wide = calibrationTable(256, 0);
    wide[0][10] = 65536 + 5;
    wide[1][10] = 70000;
    ASSERT_TRUE(profile.InsertLUT(wide));
    KaldoDisplayProfile::LutValues back;
    ASSERT_TRUE(KaldoDisplayProfile(path, "DP-1", 1, {}).ReadLUT(back));
    EXPECT_EQ(back[0][10], 5);
    EXPECT_EQ(back[1][10], 70000 - 65536);
    EXPECT_EQ(back[2][10], wide[2][10]);

    // A profile without the tag reads as no table.
    const QString plain = TestPaths::freshFolder("insert-plain") + "/plain.icc";
    KaldoDisplayProfile fresh(plain, "DP-1", 1, {});
    ASSERT_TRUE(fresh.SaveToFile());
    LogCapture log;
    EXPECT_FALSE(KaldoDisplayProfile(plain, "DP-1", 1, {}).ReadLUT(back));
    EXPECT_TRUE(back.empty());
    EXPECT_TRUE(log.contains("KaldoProfile::ReadLUT. vcgt =  null"));
}

TEST(KaldoDisplayProfileTest, CorruptProfilesGiveNoTableAndAreNotOverwritten)
{
    const QString folder = TestPaths::freshFolder("corrupt");
    const QString good = folder + "/good.icc";
    ASSERT_TRUE(KaldoDisplayProfile(good, "DP-1", 1, {}).InsertLUT(calibrationTable(256, 0)));
    const QByteArray file = IccFileBytes::readFile(good);

    struct Case
    {
        const char* name;
        QByteArray bytes;
    };
    QByteArray badTag = file;
    const QByteArray vcgt = IccFileBytes::tag(file, "vcgt");
    badTag.replace(badTag.indexOf(vcgt) + 11, 1, "\x07", 1); // unknown gamma type
    const Case cases[] = {{"empty", {}},
                          {"garbage", QByteArray(600, 'x')},
                          {"header only", file.left(128)},
                          {"cut in the tags", file.left(file.size() - 300)},
                          {"unknown vcgt type", badTag}};
    for (const Case& broken : cases) {
        const QString path = folder + "/" + broken.name + ".icc";
        ASSERT_TRUE(IccFileBytes::writeFile(path, broken.bytes));
        LogCapture log;
        KaldoDisplayProfile profile(path, "DP-1", 1, {});
        KaldoDisplayProfile::LutValues lut{{1}};
        EXPECT_FALSE(profile.ReadLUT(lut)) << broken.name;
        EXPECT_TRUE(lut.empty()) << broken.name;
        EXPECT_FALSE(log.all().isEmpty()) << broken.name;
        if (!profile.isLoaded()) {
            EXPECT_TRUE(log.contains("KaldoProfile:")) << broken.name;
            EXPECT_FALSE(profile.InsertLUT(calibrationTable(256, 0))) << broken.name;
            EXPECT_EQ(IccFileBytes::readFile(path), broken.bytes) << broken.name;
        }
    }
}

TEST(KaldoDisplayProfileTest, ProfileNamesAndColorMatrix)
{
    EXPECT_EQ(KaldoDisplayProfile::generateProfileName(3, "MD21 Diag/nost:ic?\t", "7100|4521"),
              "kaldo_MD21 Diag_nost_ic___7100_4521.icc");
    EXPECT_EQ(KaldoDisplayProfile::generateProfileName(3, "a\\b*c\"d<e>f\ng", ""), "kaldo_a_b_c_d_e_f_g.icc");
    EXPECT_EQ(KaldoDisplayProfile::generateProfileName(3, "", "SN1"), "kaldo_SN1.icc");

    const QString path = TestPaths::freshFolder("matrix") + "/matrix.icc";
    // Rows X, Y, Z of the sRGB colorants adapted to D50 (IEC 61966-2-1 with the Bradford transform).
    const KaldoDisplayProfile::ColorMatrix srgb{
        {{0.4361f, 0.3851f, 0.1431f}, {0.2225f, 0.7169f, 0.0606f}, {0.0139f, 0.0971f, 0.7141f}}};
    {
        KaldoDisplayProfile profile(path, "DP-1", 1, {});
        ASSERT_TRUE(profile.setColorMatrix(srgb));
        ASSERT_TRUE(profile.SaveToFile());
    }
    const KaldoDisplayProfile reread(path, "DP-1", 1, {});
    KaldoDisplayProfile::ColorMatrix matrix{};
    ASSERT_TRUE(reread.readColorMatrix(matrix));
    KaldoDisplayProfile::FixedColorMatrix fixed{};
    ASSERT_TRUE(reread.readColorMatrix(fixed));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_NEAR(matrix[row][column], srgb[row][column], 1.0 / 65536);
            EXPECT_NEAR(fixed[row * 3 + column], srgb[row][column] * 65536.0, 1.0);
        }
    }
    // The red colorant of the file is the first column, in s15.16.
    const QByteArray rXYZ = IccFileBytes::tag(IccFileBytes::readFile(path), "rXYZ");
    ASSERT_EQ(rXYZ.size(), 20);
    EXPECT_EQ(rXYZ.left(4), QByteArray("XYZ "));
    EXPECT_NEAR(IccFileBytes::get32(rXYZ, 8), 0.4361 * 65536, 1.0);
    EXPECT_NEAR(IccFileBytes::get32(rXYZ, 12), 0.2225 * 65536, 1.0);
    EXPECT_NEAR(IccFileBytes::get32(rXYZ, 16), 0.0139 * 65536, 1.0);
}
