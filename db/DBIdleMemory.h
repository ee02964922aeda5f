#pragma once

// For a thread about to wait minutes before its next read: the page cache of its database
// connection goes back to the heap, and the next read fetches the pages again.
class DBIdleMemory
{
public:
    // False inside a transaction, whose pages must stay, or without an open database.
    static bool release();
};
