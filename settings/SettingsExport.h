#pragma once

#include <QString>

// Moves the user's preferences between workstations as an XML file (".kdos"):
// export writes every preference as stored (passwords stay scrambled); import
// takes over all of them except those that describe the workstation itself.
class SettingsExport
{
public:
    static constexpr char ROOT[] = "preferences";
    static constexpr char ITEM[] = "pref";

    static bool exportTo(const QString& path);
    // The number of preferences taken over; -1 (and nothing changed) when the
    // file cannot be read or is not a preferences export.
    static int importFrom(const QString& path);
};
