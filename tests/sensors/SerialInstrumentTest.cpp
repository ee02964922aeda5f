#include "tests/sensors/SerialInstrumentTest.h"

#include "platform/Platform.h"
#include "sensors/SensorDetector.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

SerialInstrumentTest::SerialInstrumentTest(SimSerialInstrument::Protocol protocol) : m_instrument(protocol) {}

void SerialInstrumentTest::SetUp()
{
    QString error;
    ASSERT_TRUE(m_pty.start(&error)) << error.toStdString();
    ASSERT_TRUE(m_instrument.start(m_pty.instrumentEnd(), &error)) << error.toStdString();
    const QByteArray json = QStringLiteral(R"({"name": "Bench", "serialPorts": {"1": "%1/none", "3": "%2"}})")
                                .arg(TestPaths::freshFolder(QStringLiteral("no-port")), m_pty.hostEnd())
                                .toUtf8();
    ASSERT_TRUE(TestWorkstation::select(
        TestPaths::freshFolder(QStringLiteral("ws")) + QStringLiteral("/ws.json"), json, &error))
        << error.toStdString();
}

void SerialInstrumentTest::TearDown()
{
    SensorDetector::release();
    m_instrument.stop();
    Platform::reset();
}
