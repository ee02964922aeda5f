#pragma once

#include <QString>

// Start-up helpers that run before and during the construction of the
// application object.
class AppInitialization
{
public:
    // Nothing to adjust on this platform; kept so the start-up order reads the same everywhere.
    static void fixFonts();
    // Loads the product parameters into the global data.
    static void initGlobalData();
    // First-run defaults in the preferences, once per database.
    static void checkDB();
    // Types that travel in queued signals between threads.
    static void registertypes();
    // The folder of the agent's own files (the close marker "lockfile.txt" and the like).
    static QString getResoursesPath();

    // A product value from the global data, or `fallback` when it is missing.
    static QString productString(const QString& name, const QString& fallback = QString());
    static QString applicationName();
};
