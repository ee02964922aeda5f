#pragma once

#include <QString>

// Where the built programs and the test's private folders are.
class TestPaths
{
public:
    static QString agentProgram();
    static QString ctlProgram();
    // A program of tools/ (LUTLOADER_TEST_TOOLS, else the build tree's tools folder).
    static QString toolProgram(const QString& name);
    // The test's own data directory (LUTLOADER_DATA_DIR), created on demand.
    static QString dataDirectory();
    // A fresh empty folder below the data directory.
    static QString freshFolder(const QString& name);
};
