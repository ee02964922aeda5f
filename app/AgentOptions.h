#pragma once

#include <QString>
#include <QStringList>

// Command-line options of the agent itself (the platform options are taken first).
struct AgentOptions
{
    int runSeconds = 0; // 0 runs until the session ends or a termination signal
    bool echo = false;  // copy the log to standard error
    bool help = false;
    bool version = false;
    QString error;

    static AgentOptions fromArguments(const QStringList& arguments);
    static QString usage();
};
