#include "tests/displays/EdidBuilder.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

ProgramRun ctl(const QStringList& arguments, const QByteArray& input = {})
{
    return ProgramRun::ctl(arguments, input);
}

QString fixturePath(const char* name)
{
    return QStringLiteral(EDID_FIXTURE_DIR "/") + QLatin1String(name);
}

QString writeTemp(const QString& name, const QByteArray& bytes)
{
    const QString path = TestPaths::dataDirectory() + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

TEST(DisplayCommandsTest, EdidDecodesRawFilesAndHexFromStandardInput)
{
    const ProgramRun dell = ctl({"--json", "edid", fixturePath("DELL-U2713H.bin")});
    ASSERT_EQ(dell.exitCode, 0) << dell.err.toStdString();
    const QJsonObject d = dell.json();
    EXPECT_EQ(d.value("manufacturer").toString(), "DEL");
    EXPECT_EQ(d.value("product_code").toInt(), 41106);
    EXPECT_EQ(d.value("serial_number").toInteger(), 826496844);
    EXPECT_EQ(d.value("week").toInt(), 18);
    EXPECT_EQ(d.value("year").toInt(), 2013);
    EXPECT_EQ(d.value("version").toString(), "1.4");
    EXPECT_EQ(d.value("width_cm").toInt(), 60);
    EXPECT_EQ(d.value("height_cm").toInt(), 34);
    EXPECT_EQ(d.value("monitor_name").toString(), "DELL U2713H");
    EXPECT_EQ(d.value("serial_text").toString(), "C6F0K34T1CWL");
    EXPECT_EQ(d.value("preferred_width").toInt(), 2560);
    EXPECT_EQ(d.value("preferred_height").toInt(), 1440);

    // Hex text as xrandr --verbose prints it, through "-".
    QFile lg(fixturePath("LG-L225W-External.bin"));
    ASSERT_TRUE(lg.open(QIODevice::ReadOnly));
    const QByteArray hex = lg.readAll().toHex();
    QByteArray spaced = "\tEDID: \n";
    for (qsizetype i = 0; i < hex.size(); i += 32)
        spaced += "\t\t" + hex.mid(i, 32) + "\n";
    const ProgramRun fromStdin = ctl({"--json", "edid", "-"}, spaced);
    ASSERT_EQ(fromStdin.exitCode, 0) << fromStdin.err.toStdString();
    EXPECT_EQ(fromStdin.json().value("manufacturer").toString(), "GSM");
    EXPECT_EQ(fromStdin.json().value("version").toString(), "1.3");
    EXPECT_TRUE(fromStdin.json().value("serial_text").isNull());
    EXPECT_EQ(fromStdin.json().value("serial_number").toInteger(), 34398);

    const ProgramRun text = ctl({"edid", fixturePath("Lenovo-T61-Internal.bin")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains("name: LTN154P2-L05")) << text.out.toStdString();
}

TEST(DisplayCommandsTest, BrokenEdidsAreRefusedWithAReason)
{
    QFile file(fixturePath("DELL-U2713H.bin"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray dell = file.readAll();
    QByteArray wrongSum = dell;
    wrongSum[30] = static_cast<char>(wrongSum[30] + 1);
    QByteArray noHeader = EdidBuilder().bytes();
    noHeader[1] = 0;
    const struct
    {
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {dell.left(100), "too short"},
        {wrongSum, "checksum"},
        {noHeader, "header"},
        {QByteArray(128, '\0'), "no EDID"},
        {QByteArray(), "no EDID"},
        {"this is not an EDID at all, just some text that is long enough to look like one.", "too short"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const ProgramRun run = ctl({"edid", writeTemp("broken.bin", c.bytes)});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
        const ProgramRun json = ctl({"--json", "edid", "-"}, c.bytes);
        EXPECT_EQ(json.exitCode, 1);
        EXPECT_FALSE(json.json().value("ok").toBool(true));
    }
    EXPECT_EQ(ctl({"edid", TestPaths::dataDirectory() + "/absent.bin"}).exitCode, 1);
    EXPECT_EQ(ctl({"edid"}).exitCode, 2);
}

TEST(DisplayCommandsTest, DisplaysListsWhatTheSimulatedWorkstationShows)
{
    const ProgramRun run = ctl({"--platform", "sim", "--json", "displays"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray displays = run.json().value("displays").toArray();
    ASSERT_EQ(displays.size(), 3);
    const QJsonObject second = displays.at(1).toObject();
    EXPECT_EQ(second.value("output").toString(), "DP-2");
    EXPECT_EQ(second.value("serial").toString(), "71004522");
    EXPECT_EQ(second.value("name").toString(), "MD21 Diagnost");
    EXPECT_EQ(second.value("rect").toArray(), (QJsonArray{2048, 0, 2048, 1536}));
    EXPECT_EQ(second.value("video_card_key").toString(), "card0");
    EXPECT_EQ(second.value("crtc").toInt(), 1);
    EXPECT_EQ(second.value("interface").toInt(), 2);

    // One id per display in every command, and one rectangle convention.
    const int id = second.value("id").toInt();
    EXPECT_EQ(second.value("database_id").toInt(), id);
    const ProgramRun detect = ctl({"--platform", "sim", "--json", "detect", QString::number(id)});
    ASSERT_EQ(detect.exitCode, 0) << detect.err.toStdString();
    const QJsonArray detected = detect.json().value("displays").toArray();
    ASSERT_EQ(detected.size(), 1);
    EXPECT_EQ(detected.at(0).toObject().value("output").toString(), "DP-2");
    QJsonObject record;
    for (const QJsonValue& value :
         ctl({"--platform", "sim", "--json", "dbdisplays"}).json().value("displays").toArray()) {
        if (value.toObject().value("id").toInt() == id)
            record = value.toObject();
    }
    EXPECT_EQ(record.value("serial").toString(), "71004522");
    EXPECT_EQ(record.value("rect").toArray(), second.value("rect").toArray());

    const ProgramRun text = ctl({"--platform", "sim", "displays"});
    const int third = displays.at(2).toObject().value("id").toInt();
    EXPECT_TRUE(
        text.out.contains(QStringLiteral("display %1: GRA GRA \"PressView 24\" serial GA24-88213 on HDMI-1")
                              .arg(third)
                              .toUtf8()))
        << text.out.toStdString();
}

TEST(DisplayCommandsTest, FailuresAreJsonObjectsWithJson)
{
    for (const QStringList& args : {QStringList{"--json", "frobnicate"}, QStringList{"--json"},
                                    QStringList{"--json", "--platform", "nowhere", "displays"},
                                    QStringList{"--json", "displays", "extra"}}) {
        const ProgramRun run = ctl(args);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(args.join(' '));
        EXPECT_FALSE(run.json().value("ok").toBool(true)) << qPrintable(args.join(' '));
        EXPECT_FALSE(run.json().value("error").toString().isEmpty()) << run.out.toStdString();
    }
}
