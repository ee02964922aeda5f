#pragma once

#include <QString>
#include <QStringList>

// The global options that pick a backend: "--platform linux|sim|win" and
// "--workstation FILE", defaulted from LUTLOADER_PLATFORM and LUTLOADER_WORKSTATION.
struct PlatformOptions
{
    QString platform;
    QString workstation;
    QString error;

    // Removes the recognised options from `arguments` (element 0 is the program).
    static PlatformOptions fromArguments(QStringList& arguments);
    static PlatformOptions fromArguments(int& argc, char** argv);
    static QString nativePlatform();
};
