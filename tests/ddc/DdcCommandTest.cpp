#include "displays/CurrentDisplays.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/displays/SimDisplays.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

// lutloaderctl ddc against simulated monitors: every run is a new process, so what one run sets
// must be what the monitor keeps and the next run reads.
class DdcCommandTest : public DdcFixture
{
protected:
    void SetUp() override
    {
        DdcFixture::SetUp();
        // Outputs of their own: the monitor state lives in a folder shared by all tests.
        const QStringList displays{generic("DDC-CTL-1", "SIM", "Sim", R"("lut": {"size": 16, "bits": 12})"),
                                   generic("DDC-CTL-2"), silent("DDC-CTL-3")};
        ASSERT_TRUE(installMonitors(displays));
        m_workstation = SimDisplays::writeWorkstation(displays);
        ASSERT_FALSE(m_workstation.isEmpty());
        for (int i = 0; i < 3; ++i)
            m_ids << QString::number(CurrentDisplays::DisplayId(i));
    }

    ProgramRun ddc(const QStringList& arguments, bool json = true) const
    {
        QStringList all{"--platform", "sim", "--workstation", m_workstation};
        if (json)
            all << "--json";
        return ProgramRun::ctl(all << "ddc" << arguments, {}, 120000);
    }

    QString m_workstation;
    QStringList m_ids;
};

TEST_F(DdcCommandTest, ProbeReportsTransportCapabilitiesAndControls)
{
    const ProgramRun run = ddc({"probe", m_ids[0]});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject probe = run.json();
    EXPECT_TRUE(probe.value("test").toBool());
    EXPECT_EQ(probe.value("output").toString(), "DDC-CTL-1");
    EXPECT_FALSE(probe.value("transport").toString().isEmpty());
    EXPECT_TRUE(probe.value("capabilities").toString().contains("VCP(")) << "the first vcp is upper-cased";
    EXPECT_TRUE(probe.value("parsed").toObject().value("vcp").toArray().contains(0x73));
    EXPECT_EQ(probe.value("controls").toObject().value("brightness_max").toInt(), 100);
    EXPECT_EQ(probe.value("controls").toObject().value("blue_max").toInt(), 100);
    EXPECT_TRUE(probe.value("internal_lut").toBool());
    EXPECT_FALSE(ddc({"probe", m_ids[1]}).json().value("internal_lut").toBool());

    // Nothing answers: a clear answer and a failing exit code, not a hang.
    const ProgramRun silent = ddc({"probe", m_ids[2]});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_FALSE(silent.json().value("test").toBool());
    EXPECT_FALSE(silent.json().value("ok").toBool());
    const ProgramRun text = ddc({"probe", m_ids[2]}, false);
    EXPECT_TRUE(text.out.contains("test failed")) << text.out.toStdString();
}

TEST_F(DdcCommandTest, GetSetAndPowerReachTheMonitor)
{
    const ProgramRun get = ddc({"get", m_ids[1], "10"});
    ASSERT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_EQ(get.json().value("current").toInt(), 50);
    EXPECT_EQ(get.json().value("max").toInt(), 100);

    ASSERT_EQ(ddc({"set", m_ids[1], "0x12", "33"}).exitCode, 0);
    EXPECT_EQ(monitorState("DDC-CTL-2").value("vcp").toObject().value("12").toInt(), 33);
    EXPECT_EQ(ddc({"get", m_ids[1], "12"}).json().value("current").toInt(), 33) << "kept across runs";
    EXPECT_EQ(monitorState("DDC-CTL-1").value("vcp").toObject().value("12").toInt(70), 70)
        << "the other monitor is untouched";

    ASSERT_EQ(ddc({"power", m_ids[1], "off"}).exitCode, 0);
    EXPECT_EQ(monitorState("DDC-CTL-2").value("vcp").toObject().value("D6").toInt(), 4);
    ASSERT_EQ(ddc({"power", m_ids[1], "on"}).exitCode, 0);
    EXPECT_EQ(monitorState("DDC-CTL-2").value("vcp").toObject().value("D6").toInt(), 1);

    // Refusals: a silent bus, an unknown display, and arguments that are not numbers.
    const ProgramRun silent = ddc({"get", m_ids[2], "10"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_TRUE(silent.json().value("error").toString().contains("did not answer"));
    EXPECT_EQ(ddc({"set", m_ids[2], "10", "5"}).exitCode, 1);
    EXPECT_EQ(ddc({"power", m_ids[2], "on"}).exitCode, 1);
    EXPECT_TRUE(ddc({"get", "9999", "10"}).json().value("error").toString().contains("no display"));
    EXPECT_EQ(ddc({"get", m_ids[1], "1G0"}).exitCode, 2);
    EXPECT_EQ(ddc({"set", m_ids[1], "10", "70000"}).exitCode, 2);
    EXPECT_EQ(ddc({"power", m_ids[1], "sideways"}).exitCode, 2);
    EXPECT_EQ(ddc({"lut", "move", m_ids[0]}).exitCode, 2);
}

TEST_F(DdcCommandTest, LutSetIsWhatLutGetAndTheMonitorReturn)
{
    QJsonArray channels;
    std::vector<std::vector<int>> table(3);
    for (int c = 0; c < 3; ++c) {
        QJsonArray values;
        for (int i = 0; i < 16; ++i) {
            table[c].push_back(qMin(4095, i * 273 / (c + 1) + c));
            values.append(table[c].back());
        }
        channels.append(values);
    }
    const QString file = TestPaths::dataDirectory() + "/ddc-ctl-lut.json";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QJsonDocument(QJsonObject{{"lut", channels}}).toJson());
    out.close();

    const ProgramRun set = ddc({"lut", "set", m_ids[0], file});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString() << set.out.toStdString();
    const QJsonArray kept = monitorState("DDC-CTL-1").value("lut").toArray();
    for (int c = 0; c < 3; ++c) {
        std::vector<int> values;
        for (const QJsonValue& v : kept.at(c).toArray())
            values.push_back(v.toInt());
        EXPECT_EQ(values, table[c]) << "channel " << c;
    }
    const ProgramRun get = ddc({"lut", "get", m_ids[0]});
    ASSERT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_EQ(get.json().value("bits").toInt(), 12);
    EXPECT_EQ(get.json().value("lut").toArray(), channels);

    // Wrong shapes and values are refused before anything is written.
    const QString twoChannels = TestPaths::dataDirectory() + "/ddc-ctl-lut2.json";
    QFile two(twoChannels);
    ASSERT_TRUE(two.open(QIODevice::WriteOnly));
    two.write("[[0,1],[0,1]]");
    two.close();
    EXPECT_TRUE(
        ddc({"lut", "set", m_ids[0], twoChannels}).json().value("error").toString().contains("three"));
    QJsonArray tooHigh = channels;
    tooHigh[0] = QJsonArray{0, 5000};
    QFile high(twoChannels);
    ASSERT_TRUE(high.open(QIODevice::WriteOnly | QIODevice::Truncate));
    high.write(QJsonDocument(tooHigh).toJson());
    high.close();
    EXPECT_EQ(ddc({"lut", "set", m_ids[0], twoChannels}).exitCode, 1);
    EXPECT_EQ(ddc({"lut", "set", m_ids[0], "/nonexistent/lut.json"}).exitCode, 1);
    EXPECT_EQ(ddc({"lut", "get", m_ids[0]}).json().value("lut").toArray(), channels) << "nothing written";

    // A monitor without a LUT of its own.
    const ProgramRun none = ddc({"lut", "get", m_ids[1]});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.json().value("error").toString().contains("no LUT"));
}
