#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Builds simulated workstations for the display tests: EDIDs with a chosen identity
// and the workstation file that carries them, installed as the active backend.
class SimDisplays
{
public:
    // A 128-byte EDID 1.3 block: manufacturer code, product code (bytes 10-11, low
    // first), a display-name descriptor and optionally an unspecified-text one.
    static QByteArray edid(const char* vendor3, quint16 productCode, const QString& name0xFC,
                           const QString& text0xFE = QString());
    // One display object of the workstation file.
    static QString display(const QString& output, const QByteArray& edid, bool connected = true,
                           const QString& extra = QString());
    // Writes a workstation file with these displays on one card; its path, empty on failure.
    static QString writeWorkstation(const QStringList& displays);
    // Writes a workstation with these displays on one card, selects the sim backend
    // with it and refreshes the display list.
    static bool install(const QStringList& displays, QString* error = nullptr);
    static void uninstall();
};
