#include "tasks/Clock.h"

qint64 Clock::now() const
{
    const qint64 ms = msecsSinceEpoch();
    // Floor, not truncation, so an instant before 1970 still rounds down.
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}
