#pragma once

#include "platform/ProcessList.h"

// Reads the process table from /proc.
class LinuxProcessList : public ProcessList
{
public:
    explicit LinuxProcessList(QString procRoot = QStringLiteral("/proc"));
    std::optional<QList<ProcessEntry>> snapshot() const override;
    bool isRunning(qint64 pid) const override;

private:
    QString m_procRoot;
};
