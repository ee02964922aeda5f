#pragma once

#include <QMap>
#include <QStringList>

// Presets handed to the agent on its command line as key=value (proxy, remote
// server and the like); each becomes a preference of the same name.
class FirstRunSettings
{
public:
    // The key=value pairs among the arguments (the program name and options are skipped).
    static QMap<QString, QString> parse(const QStringList& arguments);
    // Stores the presets; always returns, whatever the arguments.
    static void start(const QStringList& arguments);
};
