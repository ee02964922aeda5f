#pragma once

// Hands the heap's free pages back to the system. The allocator keeps what a burst of
// work (start-up, a LUT load, a task) freed for later use, and an agent that then waits
// for hours would hold all of it that long.
class HeapRelease
{
public:
    static void releaseFreePages();
};
