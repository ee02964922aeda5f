#pragma once

#include <QString>

// The folder that holds the machine-wide settings file, the log, the database and
// the product's data folders. LUTLOADER_DATA_DIR overrides it (tests, several
// agents on one machine); otherwise the machine-wide folder of the suite when this
// user may write there, otherwise the user's own data folder.
class DataDirectory
{
public:
    static QString path();
    static bool ensureExists(QString* error = nullptr);
    // The machine-wide settings file of `application`, directly inside the data
    // directory, so that the main application and the agent find the same file.
    static QString settingsFile(const QString& application);
};
