#pragma once

// The attached displays as every lutloaderctl command numbers them.
class CtlDisplays
{
public:
    // Enumerates the displays and registers them in the data directory's database as the
    // agent does, so a display has the same id in `displays`, `detect`, `lut` and
    // `dbdisplays`. False when the database cannot be used: the ids are then the
    // enumeration's own, which may differ from the database's.
    static bool registerAttached();
};
