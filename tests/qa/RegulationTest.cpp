#include "db/DB.h"
#include "qa/RegulationList.h"
#include "qa/RegulationSettings.h"
#include "settings/GlobalData.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// A regulation document around the given classification and step elements.
QByteArray regulationXml(const QString& classifications, const QString& steps, const QString& id = "T1")
{
    return QStringLiteral("<regulationsettings><regulation id=\"%1\" name=\"Test %1\">"
                          "<classifications>%2</classifications><steps>%3</steps><initialsteps/>"
                          "</regulation></regulationsettings>")
        .arg(id, classifications, steps)
        .toUtf8();
}

QString step(int id, int position, const QString& body)
{
    return QStringLiteral("<step id=\"%1\" name=\"Step %1\" type=\"visual\" position=\"%2\">%3</step>")
        .arg(id)
        .arg(position)
        .arg(body);
}

class RegulationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalData::instance().setString(QString::fromLatin1(GLOBALDATA_CLASSIFICATION_NAMES), QString());
        m_settings.ClearRegulations();
    }

    RegulationInfo* load(const QByteArray& xml)
    {
        EXPECT_TRUE(m_settings.ReadSettingsFromData(xml, false, false, QStringLiteral("test")))
            << xml.constData();
        return m_settings.regulationAt(m_settings.GetRegulationCount() - 1);
    }

    RegulationSettings m_settings;
};

} // namespace

TEST_F(RegulationTest, RestrictionSetChoiceFollowsTheDisplayMask)
{
    // Sets in document order 0, 80, 272, 16, 64, 256 with distinct frequencies.
    const QString sets =
        QStringLiteral("<restriction set=\"0\" frequency=\"0\"/><restriction set=\"80\" frequency=\"4\"/>"
                       "<restriction set=\"272\" frequency=\"5\"/><restriction set=\"16\" frequency=\"2\"/>"
                       "<restriction set=\"64\" frequency=\"1\"/><restriction set=\"256\" frequency=\"3\"/>");
    RegulationInfo* regulation = load(regulationXml(
        "<classification id=\"1\" name=\"A\"/><classification id=\"2\" name=\"B\"/>",
        step(5, 0, "<classification id=\"1\"><restrictions>" + sets + "</restrictions></classification>") +
            step(1, 1,
                 "<classification id=\"1\"><restrictions><restriction set=\"1024\" frequency=\"1\"/>"
                 "</restrictions></classification><classification "
                 "id=\"2\"><restrictions/></classification>")));
    ASSERT_NE(regulation, nullptr);
    StepInfo* s = regulation->GetStepById(5);
    ASSERT_NE(s, nullptr);

    s->SetStepMode(1, 2 + 4 + 16 + 64 + 512);
    EXPECT_FALSE(s->IsEmpty());
    EXPECT_EQ(s->GetCurrentRestrictionSet(), 80u);
    EXPECT_EQ(s->GetFrequency(), 4);
    s->SetStepMode(1, 2 + 4 + 16 + 128 + 512);
    EXPECT_EQ(s->GetCurrentRestrictionSet(), 16u);
    s->SetStepMode(1, 2 + 4 + 32 + 128 + 512);
    EXPECT_EQ(s->GetCurrentRestrictionSet(), 0u);
    EXPECT_EQ(s->GetFrequency(), 0);
    // A classification the step does not carry leaves it empty.
    s->SetStepMode(2, 2 + 4);
    EXPECT_TRUE(s->IsEmpty());

    // Without a matching set, or with no set at all, the step does not apply.
    StepInfo* multi = regulation->GetStepById(1);
    ASSERT_NE(multi, nullptr);
    multi->SetStepMode(1, 2 + 512);
    EXPECT_TRUE(multi->IsEmpty());
    multi->SetStepMode(1, 2 + 1024);
    EXPECT_FALSE(multi->IsEmpty());
    multi->SetStepMode(2, 0xffff);
    EXPECT_TRUE(multi->IsEmpty());
}

TEST_F(RegulationTest, ParametersAndQuestionsOfASetOverrideTheGlobalOnes)
{
    RegulationInfo* regulation = load(regulationXml(
        "<classification id=\"1\" name=\"A\"/>",
        step(1, 0,
             "<parameters><parameter name=\"Lmax\" value=\"100\"/><parameter name=\"units\" value=\"cd\"/>"
             "</parameters><question>Default?</question>"
             "<classification id=\"1\"><restrictions><restriction set=\"0\" frequency=\"2\"/>"
             "<restriction set=\"16\" frequency=\"1\"/></restrictions>"
             "<parameters><parameter set=\"16\" name=\"Lmax\" value=\"170\"/></parameters>"
             "<questions><question set=\"16\" value=\"Stable?\"/><question set=\"0\" value=\"\"/></questions>"
             "</classification>")));
    StepInfo* s = regulation->GetStepById(1);
    s->SetStepMode(1, 16);
    EXPECT_EQ(s->GetParameter("Lmax"), "170");
    EXPECT_EQ(s->GetParameter("units"), "cd");
    EXPECT_EQ(s->GetParameter("absent"), "");
    EXPECT_EQ(s->GetQuestion(), "Stable?");
    s->SetStepMode(1, 32);
    EXPECT_EQ(s->GetParameter("Lmax"), "100");
    EXPECT_EQ(s->GetQuestion(), "Default?");
}

TEST_F(RegulationTest, ClassificationOrdersStepsByPositionKeepingDocumentOrder)
{
    const QString carry = "<classification id=\"1\"><restrictions><restriction set=\"0\" frequency=\"0\"/>"
                          "</restrictions></classification>";
    RegulationInfo* regulation =
        load(regulationXml("<classification id=\"1\" name=\"A\"/>",
                           step(10, -1, carry) + step(11, 0, carry) + step(12, 4, carry) +
                               step(13, 0, carry) + step(14, 2, "")));
    std::vector<int> ids;
    regulation->GetClassificationById(1)->GetStepIds(ids);
    EXPECT_EQ(ids, (std::vector<int>{10, 11, 13, 12}));
}

TEST_F(RegulationTest, TextsOfFrequenciesAndRestrictions)
{
    EXPECT_EQ(StepInfo::getFrequencyString(-1), "");
    EXPECT_EQ(StepInfo::getFrequencyString(9), "");
    EXPECT_EQ(StepInfo::getFrequencyString(8), "Twice a week");
    EXPECT_EQ(StepInfo::getRestrictionTitle(2 + 4 + 16), "Flat+Color+Stable Ambient");
    EXPECT_EQ(StepInfo::getRestrictionTitle(2 + 1024), "Flat");
}

TEST_F(RegulationTest, ClassificationFilterRestrictsOnlyTheNamedRegulation)
{
    GlobalData::instance().setString(QString::fromLatin1(GLOBALDATA_CLASSIFICATION_NAMES), "AAPM+2");
    const QString classes = "<classification id=\"1\" name=\"A\"/><classification id=\"2\" name=\"B\"/>";
    RegulationInfo* aapm = load(regulationXml(classes, "", "AAPM"));
    RegulationInfo* other = load(regulationXml(classes, "", "DIN"));
    std::vector<int> ids;
    aapm->GetClassificationIds(ids);
    EXPECT_EQ(ids, std::vector<int>{2});
    other->GetClassificationIds(ids);
    EXPECT_EQ(ids, (std::vector<int>{1, 2}));
}

TEST_F(RegulationTest, BrokenDocumentsAreRefusedWithTheirReason)
{
    EXPECT_FALSE(m_settings.ReadSettingsFromData(
        "<regulationsettings><regulation id=\"x\"/></regulationsettings>", false, false, "noname"));
    EXPECT_NE(m_settings.lastError().indexOf("name"), -1);
    EXPECT_FALSE(
        m_settings.ReadSettingsFromData("<regulationsettings><regulation id=\"x\" "
                                        "name=\"X\"><classifications/></regulation></regulationsettings>",
                                        false, false, "nosteps"));
    EXPECT_NE(m_settings.lastError().indexOf("ReadSteps"), -1);
    EXPECT_FALSE(m_settings.ReadSettingsFromData("<not closed", false, false, "bad"));
    EXPECT_FALSE(m_settings.ReadSettingsFromData("plain text", true, false, "bad.kur"));
    EXPECT_EQ(m_settings.GetRegulationCount(), 0);
}

TEST_F(RegulationTest, WrittenDefinitionsReadBackByteForByte)
{
    QFile builtIn(":rc/regulations/AAPM.xml");
    ASSERT_TRUE(builtIn.open(QIODevice::ReadOnly));
    load(builtIn.readAll());
    const QString first = m_settings.GetRegulationContent(0);
    const QString folder = TestPaths::freshFolder("regulation-roundtrip");
    const QString kur = QDir(folder).filePath("aapm.kur");
    ASSERT_TRUE(m_settings.WriteSettingsToFile(kur, 0, true));

    QFile written(kur);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    const QByteArray utf8 = first.toUtf8();
    // qCompress form: the uncompressed length, big-endian, before the zlib stream.
    ASSERT_GT(bytes.size(), 4);
    EXPECT_EQ((quint32(quint8(bytes[0])) << 24) | (quint32(quint8(bytes[1])) << 16) |
                  (quint32(quint8(bytes[2])) << 8) | quint32(quint8(bytes[3])),
              quint32(utf8.size()));

    RegulationSettings again;
    ASSERT_TRUE(again.ReadSettingsFromFile(kur, true));
    EXPECT_EQ(again.GetRegulationContent(0), first);
    EXPECT_EQ(RegulationSettings::encode(again.GetRegulationContent(0), true), bytes);
    EXPECT_TRUE(again.isUserRegulation("AAPM"));
}

TEST_F(RegulationTest, BuiltInListSkipsNamesWithoutDefinitionAndAddsUserFiles)
{
    GlobalData::instance().setString(QString::fromLatin1(GLOBALDATA_REGULATION_NAMES),
                                     "E DIN 6868-157|AAPM|ACR");
    const QString users = TestPaths::freshFolder("regulation-users");
    ASSERT_TRUE(RegulationSettings::SaveFile(
        QDir(users).filePath("mine.kur"),
        QString::fromUtf8(regulationXml("<classification id=\"3\" name=\"Own\"/>", "", "MINE")), true));

    DB::setPath(TestPaths::freshFolder("regulation-db"));
    {
        LogCapture log;
        RegulationList::RefreshRegulationList(":rc/regulations", users);
        // A listed name without a definition is one plain line, not a parse failure.
        EXPECT_EQ(log.all().count("is listed but has no definition"), 2);
        EXPECT_TRUE(log.contains("Regulation ACR is listed"));
        EXPECT_FALSE(log.contains("IsNull"));
    }
    RegulationSettings* all = RegulationSettings::instance();
    QStringList ids;
    all->GetRegulationIds(ids);
    EXPECT_EQ(ids, (QStringList{"AAPM", "MINE"}));
    all->GetUserRegulationIds(ids);
    EXPECT_EQ(ids, QStringList{"MINE"});

    // The public TG18 criteria of the built-in definition.
    RegulationInfo* aapm = all->GetRegulationById("AAPM");
    StepInfo* luminance = aapm->GetStepById(20);
    ASSERT_NE(luminance, nullptr);
    luminance->SetStepMode(1, 2 + 4 + 512);
    EXPECT_EQ(luminance->GetParameter("Lmax"), "170");
    EXPECT_EQ(luminance->GetParameter("LR"), "250");
    luminance->SetStepMode(2, 2 + 4 + 1024);
    EXPECT_EQ(luminance->GetParameter("Lmax"), "100");
    EXPECT_EQ(luminance->GetParameter("dLmax"), "10");
}
