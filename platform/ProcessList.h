#pragma once

#include <QList>
#include <QString>

#include <optional>

// One entry of the operating system's process table.
struct ProcessEntry
{
    qint64 pid = 0;
    QString executable;
};

// Snapshot of the running processes. Used to tell a stale busy lock, whose holder
// has ended, from one held by a live process.
class ProcessList
{
public:
    virtual ~ProcessList() = default;
    // Empty optional when the process table cannot be read.
    virtual std::optional<QList<ProcessEntry>> snapshot() const = 0;
    virtual bool isRunning(qint64 pid) const;
};
