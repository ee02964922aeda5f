#pragma once

#include <QString>

// The user's preferences as the application shell reads and writes them.
class AppPreferences
{
public:
    static bool available();
    static QString get(const QString& name);
    static bool set(const QString& name, const QString& value);

    // Creates or upgrades the database before any thread starts.
    static void initDatabase();
    // Closes every database connection of the process.
    static void freeDatabase();
};
