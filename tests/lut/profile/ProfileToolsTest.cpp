#include "lut/KaldoDisplayProfile.h"
#include "tests/lut/profile/IccFileBytes.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

ProgramRun runTool(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    return ProgramRun::run(program, args, input);
}

KaldoDisplayProfile::LutValues gammaTable(int entries)
{
    KaldoDisplayProfile::LutValues lut(3);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < entries; ++i)
            lut[c].push_back(static_cast<int>(65535.0 * std::pow(i / double(entries - 1), 1.0 + c * 0.1)));
    }
    return lut;
}

struct WrittenProfile
{
    QString path;
    double version;
    KaldoDisplayProfile::LutValues lut;
};

std::vector<WrittenProfile> writeProfiles()
{
    const QString folder = TestPaths::freshFolder("tools");
    std::vector<WrittenProfile> written;
    for (const double version : {2.4, 4.3}) {
        WrittenProfile profile{folder + QStringLiteral("/tools-v%1.icc").arg(int(version)), version,
                               gammaTable(1024)};
        KaldoDisplayProfile display(profile.path, "DP-1", 1,
                                    QStringLiteral("Tools check v%1").arg(int(version)));
        if (display.createProfile(version) && display.InsertLUT(profile.lut))
            written.push_back(profile);
    }
    return written;
}

std::vector<std::vector<unsigned>> asUnsigned(const KaldoDisplayProfile::LutValues& lut)
{
    std::vector<std::vector<unsigned>> out;
    for (const auto& channel : lut)
        out.emplace_back(channel.begin(), channel.end());
    return out;
}

bool haveTool(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

} // namespace

TEST(ProfileToolsTest, LittleCmsToolsOpenOurProfiles)
{
    if (!haveTool("transicc") || !haveTool("psicc") || !haveTool("linkicc"))
        GTEST_SKIP() << "liblcms2-utils (transicc, psicc, linkicc) not installed";
    const auto profiles = writeProfiles();
    ASSERT_EQ(profiles.size(), 2u);
    for (const WrittenProfile& profile : profiles) {
        // Device white through the matrix/TRC profile is the PCS white, L* = 100.
        const ProgramRun white = runTool("transicc", {"-i", profile.path, "-o", "*Lab"}, "255 255 255\n");
        ASSERT_EQ(white.exitCode, 0) << white.err.constData();
        EXPECT_TRUE(white.out.contains("L*=100.0")) << white.out.constData();

        const ProgramRun postscript = runTool("psicc", {"-i", profile.path});
        EXPECT_EQ(postscript.exitCode, 0) << postscript.err.constData();
        EXPECT_TRUE(postscript.out.contains("/CIEBasedABC")) << profile.version;

        const QString link = profile.path + ".link.icc";
        const ProgramRun linked = runTool("linkicc", {"-o", link, profile.path, "*sRGB"});
        EXPECT_EQ(linked.exitCode, 0) << linked.err.constData();
        EXPECT_EQ(IccFileBytes::readFile(link).mid(12, 4), QByteArray("link"));
    }
}

TEST(ProfileToolsTest, ExifToolReadsHeaderDescriptionAndVcgt)
{
    if (!haveTool("exiftool"))
        GTEST_SKIP() << "exiftool (libimage-exiftool-perl) not installed";
    for (const WrittenProfile& profile : writeProfiles()) {
        const ProgramRun info = runTool("exiftool", {"-j", profile.path});
        ASSERT_EQ(info.exitCode, 0) << info.err.constData();
        const QJsonObject tags = QJsonDocument::fromJson(info.out).array().at(0).toObject();
        EXPECT_EQ(tags.value("ProfileVersion").toString(), profile.version < 3 ? "2.4.0" : "4.3.0");
        EXPECT_EQ(tags.value("ProfileClass").toString(), "Display Device Profile");
        EXPECT_EQ(tags.value("ProfileFileSignature").toString(), "acsp");
        EXPECT_EQ(tags.value("ProfileDescription").toString(),
                  QStringLiteral("Tools check v%1").arg(int(profile.version)));
        EXPECT_TRUE(tags.contains("RedMatrixColumn"));

        // The tag exiftool extracts is exactly the published table layout with 2-byte entries.
        const ProgramRun vcgt = runTool("exiftool", {"-b", "-VideoCardGamma", profile.path});
        ASSERT_EQ(vcgt.exitCode, 0);
        EXPECT_EQ(vcgt.out, IccFileBytes::vcgtTable(asUnsigned(profile.lut), 2));

        // v4 profiles carry their MD5 id: the file's hash with flags, intent and id zeroed.
        if (profile.version > 3) {
            QByteArray file = IccFileBytes::readFile(profile.path);
            const QByteArray id = file.mid(84, 16);
            file.replace(44, 4, QByteArray(4, '\0'));
            file.replace(64, 4, QByteArray(4, '\0'));
            file.replace(84, 16, QByteArray(16, '\0'));
            EXPECT_EQ(id, QCryptographicHash::hash(file, QCryptographicHash::Md5));
            EXPECT_EQ(tags.value("ProfileID").toString(), QString::fromLatin1(id.toHex()));
        }
    }
}

TEST(ProfileToolsTest, CtlPrintsVcgtCurves)
{
    const auto profiles = writeProfiles();
    ASSERT_FALSE(profiles.empty());
    const WrittenProfile& profile = profiles.front();

    const ProgramRun json = runTool(TestPaths::ctlProgram(), {"--json", "profile", "vcgt", profile.path});
    ASSERT_EQ(json.exitCode, 0) << json.err.constData();
    const QJsonObject answer = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(answer.value("channels").toInt(), 3);
    EXPECT_EQ(answer.value("entries").toInt(), 1024);
    const QJsonArray curves = answer.value("curves").toArray();
    ASSERT_EQ(curves.size(), 3);
    for (int c = 0; c < 3; ++c) {
        const QJsonArray curve = curves.at(c).toArray();
        ASSERT_EQ(curve.size(), 1024);
        EXPECT_EQ(curve.at(0).toInt(), profile.lut[c][0]);
        EXPECT_EQ(curve.at(700).toInt(), profile.lut[c][700]);
        EXPECT_EQ(curve.at(1023).toInt(), 65535);
    }

    const ProgramRun text = runTool(TestPaths::ctlProgram(), {"profile", "vcgt", profile.path});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains("vcgt 3 channels x 1024 entries"));
    EXPECT_TRUE(text.out.contains("\nG: 0 "));

    const QString broken = TestPaths::freshFolder("tools-broken") + "/broken.icc";
    ASSERT_TRUE(IccFileBytes::writeFile(broken, IccFileBytes::readFile(profile.path).left(100)));
    const ProgramRun refused = runTool(TestPaths::ctlProgram(), {"--json", "profile", "vcgt", broken});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(
        QJsonDocument::fromJson(refused.out).object().value("error").toString().contains("broken.icc"));
    EXPECT_EQ(runTool(TestPaths::ctlProgram(), {"profile", "vcgt", broken + ".missing"}).exitCode, 1);
    EXPECT_EQ(runTool(TestPaths::ctlProgram(), {"profile", "curves"}).exitCode, 2);
}
