#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class DataBus;

// The lists of allowed values of the preferences that the user picks from a list:
// for each name a '|'-separated list of alternating display label and stored value.
class OptionCatalogue
{
public:
    using Entry = QPair<QString, QString>;

    // The fixed lists plus those built from the product parameters in `data` and
    // from what the machine offers now (serial ports).
    static QList<Entry> build(const DataBus& data, const QStringList& serialPorts);
    static QStringList currentSerialPorts();

    // Display labels and stored values of one list.
    static QStringList labels(const QString& list);
    static QStringList values(const QString& list);

    // Writes every entry into the SettingsNames table, replacing older lists; one transaction.
    static bool store(const QList<Entry>& entries);
};
