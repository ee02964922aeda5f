#pragma once

// Hands the heap's free pages back to the system. The allocator keeps what a burst of
// work (start-up, a LUT load, a task) freed for later use, and an agent that then waits
// for hours would hold all of it that long.
class HeapRelease
{
public:
    static void releaseFreePages();
    // Lets go of the program's and libraries' code pages, which stay mapped once run: what
    // start-up and a task ran is not what the idle agent runs. The system keeps them cached,
    // so what runs again maps them back without reading the disk. Returns the pages let go
    // of, or -1 where the system offers no such thing.
    static long releaseCodePages();
};
