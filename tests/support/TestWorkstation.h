#pragma once

#include <QByteArray>
#include <QString>

// Makes a simulated workstation the active platform backend of a test.
class TestWorkstation
{
public:
    // The workstation described by the JSON file at `file`; false with the reason in `error`.
    static bool select(const QString& file, QString* error);
    // Writes `json` to `file` first.
    static bool select(const QString& file, const QByteArray& json, QString* error);
};
