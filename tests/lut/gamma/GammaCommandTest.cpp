// lutloaderctl gamma, run as a separate program on a simulated workstation.
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const char WORKSTATION[] = R"({
  "videoCards": [{"id": "card0", "rampSize": 256}, {"id": "card1", "rampSize": 1024}],
  "displays": [
    {"output": "DP-1", "card": "card0"},
    {"output": "DP-2", "card": "card0"},
    {"output": "HDMI-1", "card": "card1"},
    {"output": "DP-5", "card": "card0", "gammaRamp": {"failWrites": 100}}
  ]
})";

class GammaCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = TestPaths::freshFolder("gamma-ctl");
        writeFile("workstation.json", WORKSTATION);
        // The simulated ramps live as long as the session; start each test from linear cards.
        for (const char* output : {"DP-1", "DP-2", "HDMI-1"})
            ASSERT_EQ(ctl({"gamma", "set", output}, "0 65535\n0 65535\n0 65535\n").exitCode, 0);
    }

    ProgramRun ctl(const QStringList& args, const QByteArray& input = {}) const
    {
        return ProgramRun::ctl(
            QStringList{"--platform", "sim", "--workstation", m_folder + "/workstation.json"} + args, input);
    }

    QString writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(m_folder + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QString m_folder;
};

QByteArray rampText(int size, int (*value)(int channel, int i))
{
    QByteArray text;
    for (int c = 0; c < 3; ++c) {
        QByteArrayList values;
        for (int i = 0; i < size; ++i)
            values << QByteArray::number(value(c, i));
        text += values.join(' ') + '\n';
    }
    return text;
}

} // namespace

TEST_F(GammaCommandTest, SetReadsWhatGetPrints)
{
    const QByteArray before = ctl({"gamma", "get", "DP-2"}).out;
    const ProgramRun linear = ctl({"gamma", "get", "DP-1"});
    ASSERT_EQ(linear.exitCode, 0) << linear.err.constData();
    const QList<QByteArray> lines = linear.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1].split(' ').size(), 256);
    EXPECT_TRUE(lines[2].startsWith("0 257 514 ")) << lines[2].left(40).constData();

    const QByteArray custom = rampText(256, [](int c, int i) { return i * 250 + c * 3; });
    const ProgramRun set = ctl({"gamma", "set", "DP-1", writeFile("custom.txt", custom)});
    ASSERT_EQ(set.exitCode, 0) << set.err.constData();
    EXPECT_EQ(ctl({"gamma", "get", "DP-1"}).out, custom);
    EXPECT_EQ(ctl({"gamma", "get", "DP-2"}).out, before);

    // What get prints goes straight back through stdin.
    const QByteArray printed = ctl({"gamma", "get", "DP-1"}).out;
    ASSERT_EQ(ctl({"gamma", "set", "DP-2", "-"}, printed).exitCode, 0);
    EXPECT_EQ(ctl({"gamma", "get", "DP-2"}).out, custom);

    const ProgramRun json = ctl({"--json", "gamma", "get", "DP-1"});
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object.value("size").toInt(), 256);
    EXPECT_EQ(object.value("green").toArray().at(2).toInt(), 503);
}

TEST_F(GammaCommandTest, RampOfAnotherSizeIsScaledToTheCard)
{
    const ProgramRun set =
        ctl({"gamma", "set", "HDMI-1", "-"}, rampText(256, [](int, int i) { return i * 257; }));
    ASSERT_EQ(set.exitCode, 0) << set.err.constData();
    EXPECT_TRUE(set.out.contains("scaled from 256")) << set.out.constData();
    const QList<QByteArray> red = ctl({"gamma", "get", "HDMI-1"}).out.split('\n').front().split(' ');
    ASSERT_EQ(red.size(), 1024);
    EXPECT_EQ(red[1023].toInt(), 65535);
    EXPECT_EQ(red[257].toInt(), 64 * 257); // where input level 64 lands
}

TEST_F(GammaCommandTest, BadInputIsRefusedAndTheCardKeepsItsRamp)
{
    const QByteArray before = ctl({"gamma", "get", "DP-1"}).out;
    const QByteArray goodLine = rampText(256, [](int, int i) { return i * 256; }).split('\n').front();
    const struct
    {
        QByteArray input;
        const char* message;
    } cases[] = {
        {"", "expected 3 lines"},
        {goodLine + "\n" + goodLine + "\n", "expected 3 lines"},
        {"garbage\x01\xff\n1 2\n3 4\n", "is not a value"},
        {"0 70000\n0 1\n0 1\n", "is not a value"},
        {"0 -1\n0 1\n0 1\n", "is not a value"},
        {"0 1 2\n0 1\n0 1 2\n", "the same count"},
        {"5\n5\n5\n", "at least 2"},
    };
    for (const auto& bad : cases) {
        const ProgramRun run = ctl({"gamma", "set", "DP-1", "-"}, bad.input);
        EXPECT_NE(run.exitCode, 0) << bad.input.constData();
        EXPECT_TRUE(run.err.contains(bad.message)) << run.err.constData();
    }
    const ProgramRun missing = ctl({"gamma", "set", "DP-1", m_folder + "/no-such-file"});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.constData();
    EXPECT_EQ(ctl({"gamma", "get", "DP-1"}).out, before);

    const ProgramRun refused = ctl({"gamma", "set", "DP-5", "-"}, before);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("was refused")) << refused.err.constData();

    const ProgramRun unknown = ctl({"--json", "gamma", "get", "DVI-9"});
    EXPECT_EQ(unknown.exitCode, 1);
    const QString error = QJsonDocument::fromJson(unknown.out).object().value("error").toString();
    EXPECT_TRUE(error.contains("DVI-9") && error.contains("DP-1, DP-2, HDMI-1")) << qPrintable(error);
    EXPECT_EQ(ctl({"gamma", "put", "DP-1"}).exitCode, 2);
}

TEST(GammaCommandLinuxTest, ListWithoutADisplayServerFails)
{
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    const ProgramRun list = ProgramRun::ctl({"--platform", "linux", "--json", "gamma", "list"});
    if (!display.isEmpty())
        qputenv("DISPLAY", display);
    EXPECT_EQ(list.exitCode, 1) << list.out.constData();
    EXPECT_FALSE(list.json().value("ok").toBool(true));
}

TEST_F(GammaCommandTest, ListNamesTheOutputsWithTheirRampSizes)
{
    const ProgramRun list = ctl({"--json", "gamma", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err.constData();
    const QJsonArray outputs = QJsonDocument::fromJson(list.out).object().value("outputs").toArray();
    ASSERT_EQ(outputs.size(), 4);
    EXPECT_EQ(outputs.at(2).toObject().value("output").toString(), "HDMI-1");
    EXPECT_EQ(outputs.at(2).toObject().value("size").toInt(), 1024);
}
