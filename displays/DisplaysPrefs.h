#pragma once

#include <QList>
#include <QString>

struct DisplayIdentity;
class DisplayInfo;

// Known display models: what to show the user (manufacturer, model name, backlight,
// type) for a display recognised by its EDID. Kept as a JSON array of records.
class DisplaysPrefs
{
public:
    struct DisplayRecord
    {
        QString manufacturer;
        QString name;
        QString backlight;
        QString type;
        QString vendor3Symbols;
        QString name0xFC;
        QString name0xFE;
        quint8 productCode0 = 0;
        quint8 productCode1 = 0;
    };

    static constexpr const char* ResourcePath = ":rc/displays.json";

    explicit DisplaysPrefs(const QString& path = QString::fromLatin1(ResourcePath));

    // 0 when the file was read as a JSON array, -1 otherwise (nothing is loaded then).
    int load();
    // Writes the records back as a JSON array; false when the file cannot be written.
    bool save() const;

    bool hasRecord(const DisplayInfo& info) const;
    // Fills the four strings from the first matching record, or with the display's own
    // manufacturer and model name, "FlatWLED" and "Color" when no record matches.
    void getRecord(const DisplayInfo& info, QString& manufacturer, QString& name, QString& backlight,
                   QString& type) const;
    void addRecord(const DisplayInfo& info, QString manufacturer, QString name, QString backlight,
                   QString type);

    // Same display model: EDID code, both descriptor texts and product code agree.
    static bool compare(const DisplayRecord& a, const DisplayRecord& b);

    bool hasRecord(const DisplayIdentity& identity) const;
    void getRecord(const DisplayIdentity& identity, QString& manufacturer, QString& name, QString& backlight,
                   QString& type) const;
    void addRecord(const DisplayIdentity& identity, QString manufacturer, QString name, QString backlight,
                   QString type);

    const QList<DisplayRecord>& records() const { return m_records; }

private:
    static DisplayRecord probeRecord(const DisplayIdentity& identity);
    const DisplayRecord* find(const DisplayIdentity& identity) const;

    QString m_path;
    QList<DisplayRecord> m_records;
};
