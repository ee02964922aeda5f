#include "platform/linux/LinuxProcessList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LinuxProcessList::LinuxProcessList(QString procRoot) : m_procRoot(std::move(procRoot)) {}

std::optional<QList<ProcessEntry>> LinuxProcessList::snapshot() const
{
    QDir proc(m_procRoot);
    if (!proc.exists())
        return std::nullopt;
    QList<ProcessEntry> processes;
    const auto entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber)
            continue;
        QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
        QString executable;
        if (comm.open(QIODevice::ReadOnly))
            executable = QString::fromLocal8Bit(comm.readAll()).trimmed();
        processes.append({pid, executable});
    }
    return processes;
}

bool LinuxProcessList::isRunning(qint64 pid) const
{
    // A zombie has ended as far as any lock it held is concerned.
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("%1/%2/stat").arg(m_procRoot).arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() && text.at(close + 2) != 'Z' && text.at(close + 2) != 'X';
}
