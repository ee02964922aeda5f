#pragma once

#include <QString>

// The reversible scrambling of the stored passwords ("RemoteConnectionPassword",
// "ProxyPassword"). It keeps a password from being read at a glance in the
// database or a settings export; it is not encryption. The preference
// "remoteEncrypted" = "1" marks a stored password as scrambled.
class HideUnhideString
{
public:
    static QString hide(const QString& text);
    // The original text; empty (with a logged line) when `scrambled` was not made by hide().
    static QString unhide(const QString& scrambled);
    // Either direction in one call, as the settings code uses it.
    static QString convert(const QString& text, bool hideIt) { return hideIt ? hide(text) : unhide(text); }
};
