#include "db/DBPreferences.h"
#include "db/DBSettingsNames.h"
#include "tests/db/DbTestSupport.h"

namespace {

class Preferences : public FreshDatabase
{
protected:
    void SetUp() override
    {
        FreshDatabase::SetUp();
        ASSERT_TRUE(Schema::checkAll(db()));
    }
};

TEST_F(Preferences, ValuesRoundTripWithTheirUploadFlag)
{
    DBPreferences preferences;
    ASSERT_TRUE(preferences.isChecked());
    EXPECT_EQ(preferences.getValue("Language"), QString());
    EXPECT_FALSE(preferences.getValueIsUpdate("Language"));

    EXPECT_TRUE(preferences.setValue("Language", "Deutsch", false));
    EXPECT_TRUE(preferences.setValue("WorkstationName", "Ward 3 'north' – Ü", true));
    EXPECT_EQ(preferences.getValue("Language"), QStringLiteral("Deutsch"));
    EXPECT_EQ(preferences.getValue("WorkstationName"), QStringLiteral("Ward 3 'north' – Ü"));
    EXPECT_FALSE(preferences.getValueIsUpdate("Language"));
    EXPECT_TRUE(preferences.getValueIsUpdate("WorkstationName"));

    // Writing the stored value again changes nothing, not even the upload flag.
    EXPECT_TRUE(preferences.setValue("Language", "Deutsch", true));
    EXPECT_FALSE(preferences.getValueIsUpdate("Language"));
    EXPECT_TRUE(preferences.setValue("Language", "Italiano", true));
    EXPECT_TRUE(preferences.getValueIsUpdate("Language"));
    EXPECT_EQ(outsideCount("Preferences WHERE name='Language'"), 1);

    EXPECT_TRUE(preferences.SetIsUpdateForAllSettings(false));
    EXPECT_FALSE(preferences.getValueIsUpdate("WorkstationName"));
    EXPECT_TRUE(preferences.setValueIsUpdate("WorkstationName", true));
    EXPECT_TRUE(preferences.getValueIsUpdate("WorkstationName"));
    EXPECT_FALSE(preferences.getValueIsUpdate("Language"));

    preferences["UseProxy"] = QStringLiteral("true");
    EXPECT_EQ(QString(preferences["UseProxy"]), QStringLiteral("true"));
    EXPECT_TRUE(preferences.getValueIsUpdate("UseProxy"));

    QSet<QString> names;
    for (KaldoDataIterator it = preferences.begin(); !it.IsNull(); ++it)
        names.insert(it.value(DBPreferences::NAME));
    EXPECT_EQ(names, QSet<QString>({"Language", "WorkstationName", "UseProxy"}));
}

TEST_F(Preferences, LegacyRegulationNameAndRowsOfTheMainApplicationAreRead)
{
    outside("INSERT INTO Preferences(name, value, isupdate) VALUES('UsedRegulation', 'DIN', 0)");
    outside("INSERT INTO Preferences(name, value, isupdate) VALUES('Dup', 'a', 0)");
    outside("INSERT INTO Preferences(name, value, isupdate) VALUES('Dup', 'a', 0)");
    DBPreferences preferences;
    EXPECT_EQ(preferences.getValue("UsedRegulation"), QStringLiteral("DIN 6868-57"));
    EXPECT_EQ(outside("SELECT value FROM Preferences WHERE name='UsedRegulation'").value(0).value(0), "DIN");
    EXPECT_TRUE(preferences.setValue("UsedRegulation", "IEC 62563-1"));
    EXPECT_EQ(preferences.getValue("UsedRegulation"), QStringLiteral("IEC 62563-1"));
    // Duplicates written elsewhere are updated together, never multiplied.
    EXPECT_TRUE(preferences.setValue("Dup", "b"));
    EXPECT_EQ(outside("SELECT DISTINCT value FROM Preferences WHERE name='Dup'"),
              QList<QStringList>({{"b"}}));
}

TEST_F(Preferences, WorkstationIdIsMadeOnceFromItsAlphabet)
{
    DBPreferences preferences;
    const QString id = preferences.GetSynchronizeWorkstationId();
    EXPECT_EQ(id.size(), 32);
    EXPECT_EQ(preferences.GetSynchronizeWorkstationId(), id);
    EXPECT_EQ(preferences.getValue("synchronizeid"), id);
    EXPECT_TRUE(preferences.getValueIsUpdate("synchronizeid"));
    QString many;
    for (int i = 0; i < 200; ++i)
        many += DBPreferences::generateWorkstationId();
    for (const QChar c : many) {
        const bool allowed = (c >= 'A' && c <= 'Y') || (c >= 'a' && c <= 'y') || (c >= '0' && c <= '8');
        ASSERT_TRUE(allowed) << c.toLatin1();
    }
    // 6400 draws from 59 symbols: every symbol shows up.
    EXPECT_EQ(QSet<QChar>(many.cbegin(), many.cend()).size(), 59);
}

} // namespace

namespace {

TEST_F(Preferences, DefaultsNeverReplaceAChosenValue)
{
    DBPreferences preferences;
    EXPECT_TRUE(preferences.setValueIfMissing("Language", "English"));
    EXPECT_FALSE(preferences.getValueIsUpdate("Language"));
    EXPECT_TRUE(preferences.setValue("Language", "Deutsch"));
    EXPECT_TRUE(preferences.setValueIfMissing("Language", "English"));
    EXPECT_EQ(preferences.getValue("Language"), QStringLiteral("Deutsch"));
    EXPECT_TRUE(preferences.getValueIsUpdate("Language"));
    EXPECT_EQ(outsideCount("Preferences"), 1);
}

TEST_F(Preferences, OptionCatalogueRowsAreWrittenOncePerName)
{
    DBSettingsNames names;
    ASSERT_TRUE(names.isChecked());
    EXPECT_EQ(names.getMap("Language"), QString());
    EXPECT_TRUE(names.setMap("Language", "English|English|Deutsch|Deutsch"));
    EXPECT_TRUE(names.setMap("Language", "English|English|Deutsch|Deutsch|Italiano|Italiano"));
    EXPECT_TRUE(names.setMap("UsedLUTInterface", "Video card|2"));
    EXPECT_EQ(names.getMap("Language"), QStringLiteral("English|English|Deutsch|Deutsch|Italiano|Italiano"));
    EXPECT_EQ(outsideCount("SettingsNames"), 2);
    int rows = 0;
    for (KaldoDataIterator it = names.begin(); !it.IsNull(); ++it)
        ++rows;
    EXPECT_EQ(rows, 2);
}

} // namespace
