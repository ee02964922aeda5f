#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <span>
#include <vector>

class VcgtReader;

// The video-card gamma table of a display profile (tag type 'vcgt'): per channel a
// table of 16-bit output levels that the system loads into the video card's ramp
// together with the profile. Read in its table form (1, 2 or more bytes per entry)
// and its formula form (gamma, minimum, maximum per channel); always written in the
// table form with 2-byte entries.
class IccVCGTTag
{
public:
    static constexpr quint32 Signature = 0x76636774; // 'vcgt'
    // Bytes in front of the first table entry: signature, reserved, type, channels, count, size.
    static constexpr int TableHeaderSize = 18;

    // Changes the dimensions (contents become zero); a zero dimension leaves the tag as it is.
    void SetSize(int channels, int entryCount);
    std::span<quint16> operator[](int channel);
    std::span<const quint16> operator[](int channel) const;
    int channels() const { return m_channels; }
    int entryCount() const { return m_entryCount; }
    quint32 reserved() const { return m_reserved; }

    std::unique_ptr<IccVCGTTag> NewCopy() const;
    void Describe(QString& description) const;
    // True when the table is complete and each channel rises from its first to its last entry;
    // `report` receives the findings.
    bool Validate(QString& report) const;
    quint32 GetType() const { return Signature; }
    const char* GetClassName() const { return "IccVCGTTag"; }

    // `tag` is the whole tag as stored in the profile, its size from the tag directory.
    bool Read(const QByteArray& tag);
    bool Write(QByteArray& tag) const;

private:
    bool readTable(VcgtReader& reader);
    bool readFormula(VcgtReader& reader);

    quint32 m_reserved = 0;
    int m_channels = 0;
    int m_entryCount = 0;
    std::vector<quint16> m_table; // channel after channel
};
