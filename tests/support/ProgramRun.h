#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// One of the built programs (or a system tool) run to its end, the way a script runs it.
struct ProgramRun
{
    bool started = false;
    // -1 when the program crashed, did not end in time or never started.
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    // The standard output read as one JSON object (empty when it is not one).
    QJsonObject json() const;

    // Starts `program`, writes `input` to its standard input and closes it, and waits up to
    // `timeoutMs` for the end; a program still running then is killed.
    static ProgramRun run(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                          int timeoutMs = 60000);
    // lutloaderctl with these arguments.
    static ProgramRun ctl(const QStringList& arguments, const QByteArray& input = {}, int timeoutMs = 60000);
};
