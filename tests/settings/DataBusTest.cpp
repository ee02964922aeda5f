#include "settings/DataBus.h"

#include "settings/GlobalData.h"
#include "tests/settings/LogCapture.h"

#include <QMap>
#include <QStringList>

#include <gtest/gtest.h>

TEST(DataBus, ValuesKeepTheirTypeAndRoundTrip)
{
    DataBus bus;
    EXPECT_TRUE(bus.SetValue<int>(QStringLiteral("currentDisplayId"), 3));
    EXPECT_TRUE(bus.SetValue<double>(QStringLiteral("gamma"), 2.2));
    EXPECT_TRUE(bus.SetValue<bool>(QStringLiteral("flag"), true));
    EXPECT_TRUE(bus.SetValue<StringMap>(QStringLiteral("map"), StringMap{{"a", "1"}}));
    EXPECT_TRUE(bus.setString(QStringLiteral("name"), QStringLiteral("Orvanta")));
    EXPECT_TRUE(bus.SetValue(QStringLiteral("literal"), "Kaldo"));

    EXPECT_EQ(bus.GetValue<int>(QStringLiteral("currentDisplayId")), 3);
    EXPECT_DOUBLE_EQ(bus.GetValue<double>(QStringLiteral("gamma")), 2.2);
    EXPECT_TRUE(bus.GetValue<bool>(QStringLiteral("flag")));
    EXPECT_EQ(bus.GetValue<StringMap>(QStringLiteral("map")).value("a"), "1");
    EXPECT_EQ(bus.getString(QStringLiteral("name")), "Orvanta");
    EXPECT_EQ(bus.getString(QStringLiteral("literal")), "Kaldo");

    // Replacing with the same type works and missing names give the default quietly.
    EXPECT_TRUE(bus.SetValue<int>(QStringLiteral("currentDisplayId"), 7));
    EXPECT_EQ(bus.GetValue<int>(QStringLiteral("currentDisplayId")), 7);
    const LogCapture log;
    EXPECT_EQ(bus.GetValue<int>(QStringLiteral("missing")), 0);
    EXPECT_EQ(bus.GetValue<int>(QStringLiteral("missing"), -1), -1);
    EXPECT_TRUE(bus.getString(QStringLiteral("missing")).isEmpty());
    EXPECT_TRUE(LogCapture::lines().isEmpty());
}

TEST(DataBus, WrongTypeReadsAndWritesLogTheExactLineAndKeepTheEntry)
{
    DataBus bus;
    bus.SetValue<int>(QStringLiteral("currentDisplayId"), 5);

    const LogCapture log;
    EXPECT_TRUE(bus.getString(QStringLiteral("currentDisplayId")).isEmpty());
    EXPECT_EQ(bus.GetValue<double>(QStringLiteral("currentDisplayId"), 1.5), 1.5);
    EXPECT_FALSE(bus.setString(QStringLiteral("currentDisplayId"), QStringLiteral("5")));
    EXPECT_FALSE(bus.SetValue<StringMap>(QStringLiteral("currentDisplayId"), {}));

    EXPECT_EQ(
        LogCapture::lines(),
        QStringList({"DataBus Error - Value with name currentDisplayId has wrong type!!!",
                     "DataBus Error - Value with name currentDisplayId has wrong type!!!",
                     "DataBus Error - Value with name currentDisplayId already exist and wrong type!!!",
                     "DataBus Error - Value with name currentDisplayId already exist and wrong type!!!"}));
    // The refused writes left the original integer in place.
    EXPECT_EQ(bus.GetValue<int>(QStringLiteral("currentDisplayId")), 5);
}
