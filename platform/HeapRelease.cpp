#include "platform/HeapRelease.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(__GLIBC__)
#include <malloc.h>
#endif
#ifdef Q_OS_LINUX
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#endif

void HeapRelease::releaseFreePages()
{
#ifdef Q_OS_WIN
    HeapCompact(GetProcessHeap(), 0);
#elif defined(__GLIBC__)
    malloc_trim(0);
#endif
}

long HeapRelease::releaseCodePages()
{
#ifdef Q_OS_WIN
    // The working set goes, code and data alike; the pages stay in memory on the standby
    // list until the system needs them.
    return SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1))
               ? 0
               : -1;
#elif defined(Q_OS_LINUX)
    // Only executable file mappings: code is never written, so dropping its pages loses
    // nothing. Data and relocated read-only pages may hold the only copy of what they hold.
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr)
        return -1;
    const long pageSize = sysconf(_SC_PAGESIZE);
    long pages = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        unsigned long start = 0;
        unsigned long end = 0;
        char permissions[5] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &start, &end, permissions, &pathAt) < 3)
            continue;
        if (permissions[0] != 'r' || permissions[1] != '-' || permissions[2] != 'x' ||
            permissions[3] != 'p' || line[pathAt] != '/')
            continue;
        if (madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED) == 0)
            pages += static_cast<long>((end - start) / static_cast<unsigned long>(pageSize));
    }
    std::fclose(maps);
    return pages;
#else
    return -1;
#endif
}
