#pragma once

// Keeps consecutive DDC/CI transactions of one thread at least their requested delay apart.
// Constructed right before a bus call, it waits (serving events) until the delay started by
// the previous transaction of this thread has run out; `start()` after the call begins the
// next delay. The caller is never held back after a call, only before the next one, so
// work done in between (progress, the next block) overlaps the mandated wait.
class DDCCIAutoDelay
{
public:
    DDCCIAutoDelay();
    DDCCIAutoDelay(const DDCCIAutoDelay&) = delete;
    DDCCIAutoDelay& operator=(const DDCCIAutoDelay&) = delete;

    // The delay that follows this transaction.
    void start(unsigned delayMs);

    // Lets events run while sleeping `ms` milliseconds in small steps.
    static void waitServingEvents(int ms);
    // As waitServingEvents, but never past the end of this thread's pending delay: a pause
    // that fills the mandated gap must not stretch it (on a busy machine each short sleep
    // oversleeps, and many of them would add up to more than the gap).
    static void pauseWithinDelay(int ms);
    // Drops the pending delay of this thread (a new display session, tests).
    static void reset();
};
