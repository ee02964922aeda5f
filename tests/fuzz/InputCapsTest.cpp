// Inputs from outside are refused above a size that real data never reaches, before the
// program allocates for them: devices that never end, headers that claim gigabytes, and
// streams that unpack to gigabytes.
#include "app/PipeMessage.h"
#include "lut/KaldoDisplayProfile.h"
#include "lut/StoredTableCheck.h"
#include "platform/sim/SimWorkstation.h"
#include "qa/RegulationSettings.h"
#include "settings/KaldoConfiguration.h"
#include "tasks/TaskList.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(TestPaths::freshFolder(QStringLiteral("caps-") + name)).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The qCompress form of a regulation file with a chosen length header.
QByteArray withDeclaredLength(QByteArray packed, quint32 length)
{
    for (int i = 0; i < 4; ++i)
        packed[i] = static_cast<char>(length >> (24 - 8 * i));
    return packed;
}

const QByteArray kRegulation = "<regulations><regulation name=\"Caps\" id=\"CAPS\"><classifications>"
                               "<classification id=\"1\" name=\"Primary\"/></classifications>"
                               "<steps/><initialsteps/></regulation></regulations>";

} // namespace

TEST(InputCaps, LutChannelsAreRefusedAbove65536Entries)
{
    QString reason;
    const DBDisplayCurrentLUT::Channels largest(3, std::vector<int>(65536, 0));
    EXPECT_TRUE(StoredTableCheck::checkChannels(largest, 65535, &reason)) << reason.toStdString();
    const DBDisplayCurrentLUT::Channels tooLong(3, std::vector<int>(65537, 0));
    EXPECT_FALSE(StoredTableCheck::checkChannels(tooLong, 65535, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("65537"))) << reason.toStdString();

    // Rows from the database: more rows than three full channels are refused before they are sorted.
    QList<DBDisplayCurrentLUT::Entry> rows;
    rows.reserve(3 * 65536 + 1);
    for (int i = 0; i < 3 * 65536 + 1; ++i)
        rows.append({i % 65536, i / 65536, 0});
    EXPECT_FALSE(StoredTableCheck::checkEntries(rows, 3, 65535, &reason));
}

TEST(InputCaps, PipeMessagesAbove1MiBAreDroppedAndTheStreamGoesOn)
{
    const QByteArray normal = PipeMessage{"k", "LutLoadEnd", "1", {}}.toBytes();
    const QByteArray huge = PipeMessage{"k", "x", QString((1 << 20) + 10, QLatin1Char('p')), {}}.toBytes();

    // Without an end in sight the buffer never grows beyond the bound.
    PipeMessageReader endless;
    for (int i = 0; i < 40; ++i)
        endless.append(QByteArray(64 * 1024, 'a'));
    EXPECT_TRUE(endless.takeMessages().isEmpty());
    EXPECT_LT(endless.takeRest().size(), PipeMessageReader::kMaxMessageBytes);

    // A whole message beyond the bound, arriving at once, is dropped; its neighbours arrive.
    PipeMessageReader reader;
    reader.append(normal + huge + normal);
    const QList<QByteArray> messages = reader.takeMessages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(PipeMessage::parse(messages.at(1))->msg, QStringLiteral("LutLoadEnd"));
}

TEST(InputCaps, XmlFilesAbove16MiBOrEndlessAreNotRead)
{
    LogCapture log;
    QString error;
    EXPECT_TRUE(TaskList::read(QStringLiteral("/dev/zero"), &error).empty());
    EXPECT_TRUE(error.contains(QStringLiteral("larger than"))) << error.toStdString();

    const QByteArray padded = "<tasks>" + QByteArray(16 * 1024 * 1024, ' ') + "</tasks>";
    EXPECT_TRUE(TaskList::read(writeFile(QStringLiteral("tasks.xml"), padded), &error).empty());
    EXPECT_TRUE(error.contains(QStringLiteral("larger than"))) << error.toStdString();

    KaldoConfiguration document;
    EXPECT_FALSE(document.Init(QStringLiteral("/dev"), QStringLiteral("zero"), false));

    RegulationSettings regulations;
    EXPECT_FALSE(regulations.ReadSettingsFromFile(QStringLiteral("/dev/zero"), true));
    EXPECT_FALSE(regulations.ReadSettingsFromFile(QStringLiteral("/dev/zero"), false));
    EXPECT_EQ(regulations.GetRegulationCount(), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("larger than"))) << log.all().toStdString();
}

TEST(InputCaps, UserRegulationFilesMayNotUnpackBeyond16MiB)
{
    RegulationSettings regulations;
    const QByteArray packed = RegulationSettings::encode(QString::fromUtf8(kRegulation), true);
    ASSERT_TRUE(regulations.ReadSettingsFromFile(writeFile(QStringLiteral("ok.kur"), packed), true))
        << regulations.lastError().toStdString();
    EXPECT_EQ(regulations.GetRegulationCount(), 1);

    // A few kilobytes claiming four gigabytes, and a stream that really unpacks to 17 MiB.
    LogCapture log;
    RegulationSettings hostile;
    EXPECT_FALSE(hostile.ReadSettingsFromFile(
        writeFile(QStringLiteral("claims.kur"), withDeclaredLength(packed, 0xFFFFFFFFu)), true));
    const QByteArray bomb =
        withDeclaredLength(qCompress(QByteArray(17 * 1024 * 1024, ' ') + kRegulation, 9), 1000);
    ASSERT_LT(bomb.size(), 64 * 1024);
    EXPECT_FALSE(hostile.ReadSettingsFromFile(writeFile(QStringLiteral("bomb.kur"), bomb), true));
    EXPECT_EQ(hostile.GetRegulationCount(), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("more than"))) << log.all().toStdString();
    // A stream cut short is no regulation either.
    EXPECT_FALSE(hostile.ReadSettingsFromFile(
        writeFile(QStringLiteral("cut.kur"), packed.left(packed.size() / 2)), true));
}

TEST(InputCaps, ProfilesAndEdidsFromDevicesAreRefused)
{
    KaldoDisplayProfile profile(QStringLiteral("/dev/zero"), QString(), 1, QStringLiteral("caps"));
    EXPECT_FALSE(profile.isLoaded());

    // EDID given inline in a workstation file: 32 KiB is the most a display can have.
    const auto workstation = [](int edidBytes) {
        const QJsonObject display{{"output", "DP-1"},
                                  {"card", "card0"},
                                  {"rect", QJsonArray{0, 0, 1920, 1080}},
                                  {"edid", QString::fromLatin1(QByteArray(edidBytes, '\0').toHex())}};
        const QJsonObject file{{"videoCards", QJsonArray{QJsonObject{{"id", "card0"}, {"rampSize", 256}}}},
                               {"displays", QJsonArray{display}}};
        return QJsonDocument(file).toJson();
    };
    SimWorkstation sim;
    QString error;
    EXPECT_TRUE(sim.loadJson(workstation(32 * 1024), TestPaths::dataDirectory(), &error))
        << error.toStdString();
    EXPECT_FALSE(sim.loadJson(workstation(32 * 1024 + 1), TestPaths::dataDirectory(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("larger than"))) << error.toStdString();
}
