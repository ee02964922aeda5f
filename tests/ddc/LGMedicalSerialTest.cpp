#include "displays/CurrentDisplays.h"
#include "displays/DDCCIDisplay.h"
#include "displays/DDCCIFactory.h"
#include "displays/DisplayFactory.h"
#include "displays/LGMedicalDDCCIControl.h"
#include "displays/LGMedicalPorts.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/displays/SimDisplays.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

// LG medical displays on a COM port: a real pseudo-terminal pair, the program on one end and the
// simulated display (served by the sim backend from the workstation file) on the other.
class LGMedicalSerialTest : public DdcFixture
{
protected:
    void SetUp() override
    {
        DdcFixture::SetUp();
        LGMedicalPorts::forget();
        if (QStandardPaths::findExecutable("socat").isEmpty())
            GTEST_SKIP() << "socat is not installed (scripts/install-deps.sh)";
        m_dir = TestPaths::dataDirectory() + "/lg-serial";
        QDir().mkpath(m_dir);
        QFile::remove(host());
        QFile::remove(line());
        m_socat.start("socat", {"pty,raw,echo=0,link=" + host(), "pty,raw,echo=0,link=" + line()});
        ASSERT_TRUE(m_socat.waitForStarted());
        for (int i = 0; i < 500 && !(QFileInfo::exists(host()) && QFileInfo::exists(line())); ++i)
            QThread::msleep(10);
        ASSERT_TRUE(QFileInfo::exists(line()));
    }
    void TearDown() override
    {
        // A display kept in the pool keeps its port open, and the port's lock with it.
        for (const int id : DisplayFactory::cachedIds())
            DisplayFactory::releaseCachedDisplay(id);
        // The sim's end of the line goes with the backend, before the line itself.
        DdcFixture::TearDown();
        LGMedicalPorts::forget();
        if (m_socat.state() != QProcess::NotRunning) {
            m_socat.terminate();
            m_socat.waitForFinished();
        }
    }
    QString host() const { return m_dir + "/host"; }
    QString line() const { return m_dir + "/display"; }
    // An LG medical display that answers only on its COM port and reports `identity` there; without
    // `served` nobody is at the display's end of the line.
    QString lgOnLine(const QString& identity, bool served = true) const
    {
        const QString ddc = QString(R"("ddc": {"serialOnly": true, "lut": {"size": 32, "bits": 10},
                                               "faults": {"duplicateSecondByte": true}, "identity": %1})")
                                .arg(identity);
        const QString port = QString(R"("serialPort": {"host": "%1"%2})")
                                 .arg(host(), served ? QString(R"(, "line": "%1")").arg(line()) : QString());
        return SimDisplays::display("DP-1", SimDisplays::edid("GSM", 0x5a01, "21HK512D"), true,
                                    ddc + ", " + port);
    }

    QString m_dir;
    QProcess m_socat;
};

TEST_F(LGMedicalSerialTest, TheDisplayIsFoundOnItsPortAndItsInternalLutLoadsThere)
{
    // The port reports another serial than the EDID's, and the display's model: the display
    // takes the port's serial, and its transport finds the port by it.
    ASSERT_TRUE(
        installMonitors({lgOnLine(R"({"serial": "405NDXY12", "model": "21HK512D"})"), silent("DP-2")}));
    const int id = CurrentDisplays::DisplayId(0);
    EXPECT_EQ(CurrentDisplays::DisplayById(id).serial(), "405NDXY12");
    EXPECT_EQ(LGMedicalPorts::portOf(id), host());
    EXPECT_TRUE(LGMedicalPorts::portOf(CurrentDisplays::DisplayId(1)).isEmpty());

    LogCapture log;
    std::shared_ptr<BaseDisplay> display =
        DisplayFactory::cachedDetect(id, DISPIFACE_SERIAL, DISPIFACE_SERIAL, 0, false);
    ASSERT_NE(display, nullptr) << log.all().toStdString();
    EXPECT_STREQ(display->metaObject()->className(), "LgMedicalUART");
    EXPECT_FALSE(log.all().contains("LG medical COM port transport"));
    EXPECT_NE(dynamic_cast<LGMedicalDDCCIControl*>(
                  DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id).get()),
              nullptr);

    display->setContrast(40);
    EXPECT_EQ(display->contrast(), 40);
    LUT* lut = display->attachedLUT();
    ASSERT_NE(lut, nullptr);
    EXPECT_EQ(lut->LUTSize(), 32);
    EXPECT_EQ(lut->LUTMaxValue(), 1023);
    luts_t table(3, std::vector<int>(32));
    for (int c = 0; c < 3; ++c)
        for (int i = 1; i < 32; ++i)
            table[c][i] = i * 33 - c;
    ASSERT_TRUE(lut->UploadLUT(table));
    // The last block is only on its way down the line when the upload returns (a table write has
    // no answer). The display answers requests in the order they came, so once it has answered
    // the read-back it has taken every block before it, and keeps them.
    luts_t back;
    ASSERT_TRUE(lut->DownloadLUT(back));
    EXPECT_EQ(back, table);
    const QJsonObject state = monitorState("DP-1");
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(DdcFixture::lutChannel(state, c), table[c]) << "channel " << c;
}

TEST_F(LGMedicalSerialTest, AnLgDisplayWhosePortIsSilentIsNumberedAndNotTakenForTheComPortClass)
{
    ASSERT_TRUE(installMonitors({lgOnLine(R"({"serial": "405NDXY12", "model": "21HK512D"})", false)}));
    const int id = CurrentDisplays::DisplayId(0);
    EXPECT_EQ(CurrentDisplays::DisplayById(id).serial(), "DISPLAY1");
    EXPECT_TRUE(LGMedicalPorts::portOf(id).isEmpty());

    LogCapture log;
    std::shared_ptr<BaseDisplay> display =
        DisplayFactory::cachedDetect(id, DISPIFACE_SERIAL, DISPIFACE_SERIAL, 0, false);
    ASSERT_NE(display, nullptr) << "the usual list always yields a display";
    EXPECT_STRNE(display->metaObject()->className(), "LgMedicalUART");
    EXPECT_TRUE(log.all().contains("answers on no COM port")) << log.all().toStdString();
}

TEST_F(LGMedicalSerialTest, ALineWithoutADisplayOrWithoutAPortFailsTheTestQuickly)
{
    ASSERT_TRUE(installMonitors({silent("DP-1"), silent("DP-2")}));
    LogCapture log;
    LGMedicalDDCCIControl unassigned(CurrentDisplays::DisplayId(0), {});
    EXPECT_FALSE(unassigned.test());
    EXPECT_TRUE(log.all().contains("no COM port assigned"));

    LGMedicalDDCCIControl missing(CurrentDisplays::DisplayId(0), m_dir + "/no-such-port");
    EXPECT_FALSE(missing.test());
    EXPECT_FALSE(missing.hardwareReconnect());
    EXPECT_EQ(log.all().count("cannot open"), 1) << "said once, not for every attempt";

    // Nobody at the other end: bounded waits, then the test fails.
    LGMedicalDDCCIControl quiet(CurrentDisplays::DisplayId(1), host());
    EXPECT_FALSE(quiet.test());
    EXPECT_EQ(quiet.lastError(), DDCCIControl::ErrorBusCall);
    EXPECT_TRUE(log.all().contains("no reply on"));
    EXPECT_TRUE(LGMedicalPorts::probe(host()).isEmpty());
}
