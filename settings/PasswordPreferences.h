#pragma once

#include <QString>
#include <QStringList>

class DBPreferences;

// The two stored passwords ("RemoteConnectionPassword", "ProxyPassword") follow one
// rule: written scrambled (HideUnhideString) with "remoteEncrypted" = "1", read back
// in clear for whoever sends them. Without the flag (files of versions that did not
// scramble) a stored password is taken as it is.
class PasswordPreferences
{
public:
    static const QStringList NAMES;
    static const QString ENCRYPTED_FLAG;

    static bool isPassword(const QString& name) { return NAMES.contains(name); }
    // The password in clear; empty when none is stored.
    static QString read(const DBPreferences& preferences, const QString& name);
    // Stores `clear` scrambled and sets the flag; a password still stored in clear
    // from an older version is scrambled at the same time, so the flag is true of both.
    static bool write(DBPreferences& preferences, const QString& name, const QString& clear);
};
