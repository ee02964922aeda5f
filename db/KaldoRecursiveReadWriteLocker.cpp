#include "db/KaldoRecursiveReadWriteLocker.h"

KaldoRecursiveReadWriteLocker& KaldoRecursiveReadWriteLocker::instance()
{
    // Never destroyed: connections released by thread-exit handlers late in the
    // process may still take it.
    static auto* const locker = new KaldoRecursiveReadWriteLocker;
    return *locker;
}
