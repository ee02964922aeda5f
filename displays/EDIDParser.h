#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The identity a display announces in its EDID (base block of 128 bytes, optionally followed by
// extension blocks): model name, serial, manufacturer, descriptor texts, sizes and resolutions.
// Built for one EDID and caching what it derives. The bytes come from the operating system and
// from the display itself, so every reader stays inside the data: short, zero-filled or garbage
// input gives empty strings and empty lists, never a read past the end. A block of zero bytes
// counts as no EDID.
class EDIDParser
{
public:
    struct Resolution
    {
        int width = 0;
        int height = 0;
        bool operator==(const Resolution&) const = default;
    };

    // Descriptor tags of the base block's 18-byte display descriptors.
    static constexpr unsigned char TagSerial = 0xFF;
    static constexpr unsigned char TagText = 0xFE;
    static constexpr unsigned char TagName = 0xFC;
    static constexpr unsigned char TagVendorSerial = 0x0F;

    EDIDParser(const unsigned char* edid, unsigned length, QString defaultSerial);
    EDIDParser(const QByteArray& edid, QString defaultSerial);

    unsigned length() const { return static_cast<unsigned>(m_edid.size()); }
    const QByteArray& bytes() const { return m_edid; }
    // Version x 10 + revision (bytes 18 and 19); 0 with fewer than 20 bytes.
    int version() const { return m_version; }

    QString name();
    QString serial();
    QString manufacturer();
    QString getShortManufacturer() const;
    QString getEDIDString(unsigned char tag) const;
    QString getEDIDIntervalHex(unsigned from, unsigned to, bool reverse) const;
    std::vector<Resolution> resolutions();
    std::vector<Resolution> realSizesMm();

    // Plain facts of the base block that callers print or check.
    bool hasValidHeader() const;
    bool isChecksumValid() const;
    int productCode() const;      // bytes 10-11, little-endian; -1 when missing
    quint32 serialNumber() const; // bytes 12-15, little-endian; 0 when missing
    int manufactureWeek() const;  // byte 16; -1 when missing
    int manufactureYear() const;  // byte 17 + 1990; -1 when missing
    int extensionCount() const;   // byte 126; 0 when missing
    // The first detailed timing's active pixels (the preferred mode in a 1.3 or later EDID).
    Resolution preferredResolution() const;
    Resolution screenSizeCm() const; // bytes 21 and 22

    static QString longManufacturer(QString code);
    static bool isSerialLooksFaked(QString serial, bool strict);
    static QString cleanString(QString text);

private:
    void fillDescriptors();
    unsigned byteAt(unsigned index) const;
    bool isDetailedTiming(unsigned offset) const;
    Resolution activePixels(unsigned offset) const;
    Resolution imageSizeMm(unsigned offset) const;
    QString descriptorText(unsigned offset) const;
    QString serialFromExtensions() const;
    QString serialFromDescriptors();
    std::vector<Resolution> standardTimings() const;

    QByteArray m_edid;
    QString m_defaultSerial;
    std::vector<unsigned> m_descriptors;
    int m_version = 0;
    QString m_serial;
    QString m_name;
    QString m_manufacturer;
    std::vector<Resolution> m_resolutions;
    std::vector<Resolution> m_sizes;
    bool m_resolutionsDone = false;
    bool m_sizesDone = false;
};
