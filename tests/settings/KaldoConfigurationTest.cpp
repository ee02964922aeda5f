#include "settings/KaldoConfiguration.h"

#include "tests/support/TestPaths.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString writeFile(const QString& folder, const QString& name, const QByteArray& content)
{
    QFile file(folder + "/" + name);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    return file.fileName();
}

} // namespace

TEST(KaldoConfiguration, ReadsElementsSiblingsAndAttributes)
{
    const QString folder = TestPaths::freshFolder("xml-read");
    writeFile(folder, "list.xml",
              "<?xml version=\"1.0\"?><tasks version=\"2\"><task name=\"a\" period=\"60\">first</task>"
              "<other/><task name=\"b\">second</task></tasks>");
    KaldoConfiguration config(folder, "list.xml");
    ASSERT_TRUE(config.IsOpened());
    KaldoConfiguration::iterator root = config.GetStartElement();
    EXPECT_EQ(root.name(), "tasks");
    EXPECT_EQ(root.attribute("version"), "2");

    QStringList names;
    for (auto task = config.firstchild("task"); !task.IsNull(); ++task)
        names << task.attributes().value("name") + "=" + task.value();
    EXPECT_EQ(names, QStringList({"a=first", "b=second"}));

    // The class-wide default directory serves an empty directory argument.
    KaldoConfiguration::SetDefaultPath(folder);
    EXPECT_TRUE(KaldoConfiguration("list.xml").IsOpened());
    EXPECT_TRUE(KaldoConfiguration(folder + "/list.xml").IsOpened());
    KaldoConfiguration::SetDefaultPath(QString());
}

TEST(KaldoConfiguration, BrokenOrMissingXmlGivesAClosedEmptyDocument)
{
    const QString folder = TestPaths::freshFolder("xml-broken");
    writeFile(folder, "broken.xml", "<tasks><task name=\"a\">unclosed</tasks>");
    writeFile(folder, "empty.xml", "");
    for (const QString& name :
         {QStringLiteral("broken.xml"), QStringLiteral("empty.xml"), QStringLiteral("absent.xml")}) {
        KaldoConfiguration config(folder, name);
        EXPECT_FALSE(config.IsOpened()) << name.toStdString();
        EXPECT_TRUE(config.GetStartElement().IsNull());
        EXPECT_TRUE(config.firstchild("task").IsNull());
        EXPECT_TRUE(config.GetContent().isEmpty());
        // Operations on the null elements are harmless.
        KaldoConfiguration::iterator none = config.firstchild("task");
        none.addchild("x", "y");
        none.setattribute("a", "b");
        ++none;
        EXPECT_TRUE(none.IsNull());
    }
    KaldoConfiguration fromText;
    EXPECT_FALSE(fromText.SetContent("<reply><status>ok</reply>"));
    EXPECT_FALSE(fromText.IsOpened());
    EXPECT_TRUE(fromText.SetContent("<reply><status>ok</status></reply>"));
    EXPECT_EQ(fromText.firstchild("status").value(), "ok");
}

TEST(KaldoConfiguration, BuildsEditsAndSavesADocument)
{
    const QString folder = TestPaths::freshFolder("xml-write");
    KaldoConfiguration config(folder, "export.xml", true);
    ASSERT_TRUE(config.IsOpened());
    KaldoConfiguration::iterator root = config.GetStartElement();
    EXPECT_EQ(root.name(), "export");
    root.addchild("pref", "1").setattribute("name", "Gamma");
    root.addchild("pref", "2").setattribute("name", "units");
    root.addchild("note").setHTMLValue("<b>bold & raw</b>");
    root.firstchild("pref").removeattribute("name");
    ASSERT_TRUE(config.Save());

    KaldoConfiguration reread(folder, "export.xml");
    ASSERT_TRUE(reread.IsOpened());
    EXPECT_EQ(reread.firstchild("note").value(), "<b>bold & raw</b>");
    EXPECT_TRUE(reread.firstchild("pref").attributes().isEmpty());
    reread.GetStartElement().removeChildsByName("pref");
    EXPECT_TRUE(reread.firstchild("pref").IsNull());
    EXPECT_FALSE(reread.firstchild("note").IsNull());
    reread.GetStartElement().removeChilds();
    EXPECT_TRUE(reread.GetStartElement().firstchild().IsNull());

    KaldoConfiguration empty;
    ASSERT_TRUE(empty.CreateEmpty("message"));
    EXPECT_EQ(empty.GetContent().trimmed(), "<message/>");
}
