#include "app/AgentOptions.h"
#include "app/FirstRunSettings.h"
#include "app/LUTLoaderApplication.h"
#include "app/RemoveListCreator.h"
#include "tests/support/TestPaths.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString writeFile(const QString& folder, const QString& name, const QByteArray& text)
{
    const QString path = folder + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

TEST(RemoveListCreatorTest, SpecialListAddsAndRemovesOverTheDefaults)
{
    const QString folder = TestPaths::freshFolder("removelist");
    const QString defaults = writeFile(folder, "default.xml", R"(<configurations>
  <groups><group name="Proxy"/><group name="Server"/><group name="Legacy" os="linux"/></groups>
  <settings><setting name="UseProxy" value="false"/><setting name="Language" value="English"/>
            <setting name="WinOnly" value="1" os="win"/></settings>
</configurations>)");
    const QString special = writeFile(folder, "special.xml", R"(<configurations>
  <groups><addgroup name="Sensors"/><subgroup name="Server"/><addgroup name="Mac" os="mac"/></groups>
  <settings><addsetting name="Language" value="Deutsch"/><subsetting name="UseProxy"/>
            <addsetting name="Upper" value="x" os="WIN"/></settings>
</configurations>)");
    RemoveListCreator::CreateRemoveList(special, defaults);
    const RemoveListCreator& list = RemoveListCreator::instance();
    EXPECT_EQ(list.GetRemoveList(), (QStringList{"Proxy", "Sensors"}));
    const QMap<QString, QString> expected{{"Language", "Deutsch"}, {"WinOnly", "1"}};
    EXPECT_EQ(list.settings(), expected);
    int count = 0;
    for (auto it = list.BeginRemoveSettingsList(); it != list.EndRemoveSettingsList(); ++it)
        ++count;
    EXPECT_EQ(count, 2);

    // A broken or missing special list leaves the defaults alone; a broken default list gives nothing.
    RemoveListCreator::CreateRemoveList(writeFile(folder, "broken.xml", "<configurations><groups><addgroup"),
                                        defaults);
    EXPECT_EQ(list.GetRemoveList(), (QStringList{"Proxy", "Server"}));
    RemoveListCreator::CreateRemoveList(folder + "/missing.xml", folder + "/broken.xml");
    EXPECT_TRUE(list.GetRemoveList().isEmpty());
    EXPECT_TRUE(list.settings().isEmpty());
}

TEST(StartupValuesTest, ReminderPeriodAndArguments)
{
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds(""), 300);
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds("2"), 120);
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds("junk"), 300);
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds("-5"), 300);

    const QStringList arguments{"lutloader", "-platform",     "offscreen", "ServerUrl=https://qa.example/x=1",
                                "--echo",    "UseProxy=true", "=nokey"};
    const QMap<QString, QString> presets = FirstRunSettings::parse(arguments);
    EXPECT_EQ(presets.value("ServerUrl"), "https://qa.example/x=1");
    EXPECT_EQ(presets.value("UseProxy"), "true");
    EXPECT_EQ(presets.size(), 2);

    const AgentOptions options = AgentOptions::fromArguments(arguments);
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_TRUE(options.echo);
    EXPECT_FALSE(AgentOptions::fromArguments({"lutloader", "stray"}).error.isEmpty());
}

} // namespace
