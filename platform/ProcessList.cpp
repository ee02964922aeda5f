#include "platform/ProcessList.h"

#include <algorithm>

bool ProcessList::isRunning(qint64 pid) const
{
    const auto processes = snapshot();
    if (!processes)
        return false;
    return std::any_of(processes->begin(), processes->end(),
                       [pid](const ProcessEntry& entry) { return entry.pid == pid; });
}
