#pragma once

#include <QString>

class BaseDataPool;

// The user's preferences as the application shell reads and writes them.
class AppPreferences
{
public:
    static bool available();
    static QString get(const QString& name);
    // On the data pool's thread the change goes through the pool, which stores it
    // (passwords scrambled) and tells the rest of the program; elsewhere it is stored
    // directly under the same password rule.
    static bool set(const QString& name, const QString& value);

    // Creates or upgrades the database before any thread starts, and creates the
    // process's data pool, which lives until freeDatabase().
    static void initDatabase();
    // The data pool made by initDatabase(); null before it and after freeDatabase().
    static BaseDataPool* dataPool();
    // Closes every database connection of the process.
    static void freeDatabase();
};
