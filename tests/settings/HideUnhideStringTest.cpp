#include "settings/HideUnhideString.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(HideUnhideString, RoundTripsAnyTextAndHidesIt)
{
    const QStringList passwords = {
        "secret",  "", "p@ss word|with;separators=", "Grüße 日本語 🙂", QString(300, QLatin1Char('a')),
        "aaaaaaaa"};
    for (const QString& password : passwords) {
        const QString hidden = HideUnhideString::hide(password);
        EXPECT_EQ(HideUnhideString::unhide(hidden), password) << password.toStdString();
        EXPECT_EQ(HideUnhideString::convert(HideUnhideString::convert(password, true), false), password);
        if (!password.isEmpty()) {
            EXPECT_FALSE(hidden.contains(password)) << hidden.toStdString();
        }
    }
    // Stored in preferences and INI files: plain printable ASCII without separators.
    const QString hidden = HideUnhideString::hide("Grüße|=;");
    for (const QChar c : hidden)
        EXPECT_TRUE(c.isLetterOrNumber() || c == '-' || c == '_') << hidden.toStdString();
}

TEST(HideUnhideString, TextThatWasNeverHiddenGivesEmpty)
{
    EXPECT_TRUE(HideUnhideString::unhide("plain password").isEmpty());
    EXPECT_TRUE(HideUnhideString::unhide("k!!!not base64").isEmpty());
    EXPECT_TRUE(HideUnhideString::unhide("").isEmpty());
    // A damaged scrambled value never gives a crash or invalid text.
    QString damaged = HideUnhideString::hide("Grüße");
    damaged.chop(2);
    const QString result = HideUnhideString::unhide(damaged);
    EXPECT_FALSE(result.contains(QChar::ReplacementCharacter));
}
