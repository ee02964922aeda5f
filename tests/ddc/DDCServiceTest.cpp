#include "displays/CParseCapabilityString.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIDisplay.h"
#include "displays/DDCCIFactory.h"
#include "displays/ServiceDDCCIControl.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/ddc/TestDdcService.h"
#include "tests/lut/profile/LogCapture.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <gtest/gtest.h>

// The local DDC/CI service client against a service that lends the simulated monitor's bus.
class DDCServiceTest : public DdcFixture
{
protected:
    void SetUp() override
    {
        DdcFixture::SetUp();
        ASSERT_TRUE(installMonitors({generic("DP-1"), silent("DP-2")}));
        m_name = QStringLiteral("lutloader-ddc-service-test-%1").arg(QCoreApplication::applicationPid());
        ServiceDDCCIControl::setServicePipeName(m_name);
        m_service = std::make_unique<TestDdcService>(m_name, "DP-1");
        ASSERT_TRUE(m_service->begin());
    }
    void TearDown() override
    {
        m_service.reset();
        ServiceDDCCIControl::setServicePipeName(QStringLiteral("lutloader-ddcci-service"));
        DdcFixture::TearDown();
    }

    QString m_name;
    std::unique_ptr<TestDdcService> m_service;
};

TEST_F(DDCServiceTest, AServiceThatAnswersIsChosenAndCarriesTheWholeMccsConversation)
{
    const int id = CurrentDisplays::DisplayId(0);
    auto transport = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id);
    auto* service = dynamic_cast<ServiceDDCCIControl*>(transport.get());
    ASSERT_NE(service, nullptr) << "the service candidate comes before the output's own bus";
    EXPECT_EQ(service->serviceType(), 4);

    auto display = std::make_unique<DDCCIDisplay>(id);
    display->connect();
    ASSERT_TRUE(display->ok());
    EXPECT_EQ(display->transport(), transport);
    EXPECT_TRUE(display->capabilityParser().IsVCPSupported(0x10));
    display->setBrightness(64);
    ASSERT_TRUE(display->ok());
    EXPECT_EQ(monitorState("DP-1").value("vcp").toObject().value("10").toInt(), 64);
    EXPECT_EQ(display->brightness(), 64u);

    const std::vector<QJsonObject> requests = m_service->requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().value("method").toString(), "new");
    EXPECT_EQ(requests.front().value("type").toInt(), 4);
    EXPECT_TRUE(requests.front().contains("serialnumber"));
    bool sawBrightnessWrite = false;
    for (const QJsonObject& r : requests) {
        if (r.value("method") != "new") {
            EXPECT_EQ(r.value("id").toInt(), 7) << "later requests name the lent channel";
        }
        // The service is handed whole framed packages: Set VCP 10h to 64.
        if (r.value("method") == "write" &&
            QByteArray::fromBase64(r.value("package").toString().toLatin1()).toHex() == "518403100040e8") {
            sawBrightnessWrite = true;
            EXPECT_EQ(r.value("size").toInt(), 7);
            EXPECT_EQ(r.value("delay").toInt(), 50);
        }
        if (r.value("method") == "read") {
            EXPECT_GE(r.value("maxBytes").toInt(), 11);
        }
    }
    EXPECT_TRUE(sawBrightnessWrite);

    // The last holder gives the lent channel back.
    display.reset();
    transport.reset();
    const size_t before = m_service->requests().size();
    DDCCIFactory::releaseDDCCI(id);
    ASSERT_GT(m_service->requests().size(), before);
    EXPECT_EQ(m_service->requests().back().value("method").toString(), "delete");
}

TEST_F(DDCServiceTest, BrokenExchangesAreLoggedByNameAndFailTheCall)
{
    LogCapture log;
    const int id = CurrentDisplays::DisplayId(0);
    ServiceDDCCIControl client(id, 1);
    ASSERT_TRUE(client.test());
    unsigned char request[] = {0x01, 0x10};
    unsigned char reply[DDCCIControl::MaxPackageSize];

    const struct
    {
        TestDdcService::Mode mode;
        const char* logged;
    } cases[] = {{TestDdcService::Mode::Garbage, "Error message: parse error"},
                 {TestDdcService::Mode::Refusing, "Error message: display busy"},
                 {TestDdcService::Mode::HangUp, "Error message: connection error"},
                 {TestDdcService::Mode::Silent, "Error message: read timeout"}};
    for (const auto& c : cases) {
        m_service->setMode(c.mode);
        const qsizetype mark = log.all().size();
        EXPECT_EQ(client.write(request, 2, 50), -1) << c.logged;
        EXPECT_EQ(client.lastError(), DDCCIControl::ErrorBusCall);
        EXPECT_TRUE(log.all().mid(mark).contains(c.logged)) << log.all().mid(mark).toStdString();
    }

    // The next good exchange works.
    m_service->setMode(TestDdcService::Mode::Normal);
    ASSERT_EQ(client.write(request, 2, 50), 0);
    EXPECT_EQ(client.read(reply, 8), 8);
    EXPECT_EQ(reply[7], 50);

    // No service at all: the candidate fails its test and the output's own bus is used.
    m_service.reset();
    const qsizetype mark = log.all().size();
    ServiceDDCCIControl orphan(id, 4);
    EXPECT_FALSE(orphan.test());
    EXPECT_TRUE(log.all().mid(mark).contains("Error message: connection error"));
    const auto chosen = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id);
    EXPECT_EQ(dynamic_cast<ServiceDDCCIControl*>(chosen.get()), nullptr);
    EXPECT_TRUE(chosen->test());
}
