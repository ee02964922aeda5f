#pragma once

#include <QString>
#include <QStringList>

// Command-line options of the agent itself (the platform options are taken first).
struct AgentOptions
{
    int runSeconds = 0;   // 0 runs until the session ends or a termination signal
    bool echo = false;    // copy the log to standard error
    bool help = false;    // print the usage and leave
    bool version = false; // print the version and leave
    // The task clock on the simulated workstation: this many times faster than the wall
    // clock, from clockStart (seconds since 1970; 0: now). 1 keeps the wall clock.
    double clockRate = 1;
    qint64 clockStart = 0;
    QString error;

    static AgentOptions fromArguments(const QStringList& arguments);
    static QString usage();
    static QString versionText();
};
