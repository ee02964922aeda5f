#include "displays/CParseCapabilityString.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIDisplay.h"
#include "displays/DDCCIFactory.h"
#include "displays/LGMedicalDDCCIControl.h"
#include "platform/DDCBuses.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QThread>

#include <atomic>
#include <gtest/gtest.h>

namespace {

// The display end of the line: whole DDC/CI packages from the host go to the simulated monitor
// of `output`, and the monitor's reply goes back on the line.
class SerialMonitor : public QThread
{
public:
    SerialMonitor(QString port, QString output) : m_port(std::move(port)), m_output(std::move(output)) {}
    ~SerialMonitor() override
    {
        m_stop = true;
        wait();
    }
    std::atomic<int> packages{0};

protected:
    void run() override
    {
        QSerialPort line(m_port);
        QString error;
        std::unique_ptr<DDCBus> bus = Platform::backend().ddcBuses().open(m_output, &error);
        if (!bus || !line.open(QIODevice::ReadWrite))
            return;
        QByteArray pending;
        while (!m_stop) {
            if (line.waitForReadyRead(20))
                pending += line.readAll();
            if (pending.size() < 2 || pending.size() < (static_cast<quint8>(pending[1]) & 0x7F) + 3)
                continue;
            const qsizetype size = (static_cast<quint8>(pending[1]) & 0x7F) + 3;
            const QByteArray package = pending.left(size);
            pending.remove(0, size);
            ++packages;
            if (!bus->write(0x37, package, &error))
                continue;
            QThread::msleep(45);
            QByteArray reply;
            if (!bus->read(0x37, 64, reply, &error))
                continue;
            const bool repeated = reply[2] == reply[1];
            line.write(reply.left((static_cast<quint8>(reply[1]) & 0x7F) + 3 + (repeated ? 1 : 0)));
            line.waitForBytesWritten(500);
        }
    }

private:
    QString m_port;
    QString m_output;
    std::atomic<bool> m_stop{false};
};

} // namespace

class LGMedicalSerialTest : public DdcFixture
{
protected:
    void SetUp() override
    {
        DdcFixture::SetUp();
        if (QStandardPaths::findExecutable("socat").isEmpty())
            GTEST_SKIP() << "socat is not installed (scripts/install-deps.sh)";
        m_dir = TestPaths::dataDirectory() + "/lg-serial";
        QDir().mkpath(m_dir);
        QFile::remove(m_dir + "/host");
        QFile::remove(m_dir + "/display");
        m_socat.start(
            "socat", {"pty,raw,echo=0,link=" + m_dir + "/host", "pty,raw,echo=0,link=" + m_dir + "/display"});
        ASSERT_TRUE(m_socat.waitForStarted());
        for (int i = 0;
             i < 500 && !(QFileInfo::exists(m_dir + "/host") && QFileInfo::exists(m_dir + "/display")); ++i)
            QThread::msleep(10);
        ASSERT_TRUE(QFileInfo::exists(m_dir + "/display"));
    }
    void TearDown() override
    {
        m_monitor.reset();
        if (m_socat.state() != QProcess::NotRunning) {
            m_socat.terminate();
            m_socat.waitForFinished();
        }
        for (const int id : {0, 1})
            LGMedicalDDCCIControl::assignPort(CurrentDisplays::DisplayId(id), {});
        DdcFixture::TearDown();
    }
    void attach(const QString& output)
    {
        m_monitor = std::make_unique<SerialMonitor>(m_dir + "/display", output);
        m_monitor->start();
    }

    QString m_dir;
    QProcess m_socat;
    std::unique_ptr<SerialMonitor> m_monitor;
};

TEST_F(LGMedicalSerialTest, TheComPortCarriesTheMccsConversationAndTheInternalLut)
{
    // The display's video cable has no DDC/CI of its own here: only the COM port answers.
    ASSERT_TRUE(installMonitors(
        {generic("DP-1", "GSM", "21HK512D",
                 R"("lut": {"size": 32, "bits": 10}, "faults": {"duplicateSecondByte": true})"),
         silent("DP-2")}));
    attach("DP-1");
    const int id = CurrentDisplays::DisplayId(1);
    LGMedicalDDCCIControl::assignPort(id, m_dir + "/host");

    const auto transport = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id);
    ASSERT_NE(dynamic_cast<LGMedicalDDCCIControl*>(transport.get()), nullptr);

    DDCCIDisplay display(id);
    display.connect();
    ASSERT_TRUE(display.ok());
    EXPECT_TRUE(display.capabilityParser().IsVCPSupported(0x75));
    display.setContrast(40);
    EXPECT_EQ(display.contrast(), 40);
    display.attachInternalLUT();
    ASSERT_TRUE(display.ok());
    luts_t table(3, std::vector<int>(32));
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 32; ++i)
            table[c][i] = i * 33 - c;
    table[0][0] = 0;
    table[1][0] = 0;
    table[2][0] = 0;
    ASSERT_TRUE(display.lut()->UploadLUT(table));
    luts_t back;
    ASSERT_TRUE(display.lut()->DownloadLUT(back));
    EXPECT_EQ(back, table);
    EXPECT_GT(m_monitor->packages.load(), 12);
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
    EXPECT_EQ(log.all().count("cannot open"), 1) << "said once, not for every attempt";

    // Nobody at the other end: bounded waits, then the output's own bus is the fallback.
    LGMedicalDDCCIControl::assignPort(CurrentDisplays::DisplayId(1), m_dir + "/host");
    LGMedicalDDCCIControl quiet(CurrentDisplays::DisplayId(1), m_dir + "/host");
    EXPECT_FALSE(quiet.test());
    EXPECT_EQ(quiet.lastError(), DDCCIControl::ErrorBusCall);
    EXPECT_TRUE(log.all().contains("no reply on"));
}
