#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <vector>

// The ICC profile of one display, as far as the LUT loading needs it: its video-card
// gamma table ('vcgt'), its colorant matrix, and making it (or the system's standard
// profile) the display's profile. The profile lives in memory and is written to its
// file on `SaveToFile`; a file that cannot be parsed is never overwritten.
class KaldoDisplayProfile
{
public:
    // The LUT value list: channels (red, green, blue) of equal length, 16-bit values.
    using LutValues = std::vector<std::vector<int>>;
    using ColorMatrix = std::array<std::array<float, 3>, 3>;
    using FixedColorMatrix = std::array<int, 9>;

    static constexpr double DefaultIccVersion = 2.4;

    // From an existing (or yet to be written) profile file.
    KaldoDisplayProfile(const QString& filePath, const QString& deviceName, int displayId,
                        const QString& description);
    // A profile of the display in the colour directory, under the name made by `generateProfileName`.
    KaldoDisplayProfile(int displayId, const QString& model, const QString& serial,
                        const QString& description);
    ~KaldoDisplayProfile();
    KaldoDisplayProfile(const KaldoDisplayProfile&) = delete;
    KaldoDisplayProfile& operator=(const KaldoDisplayProfile&) = delete;

    // Stores the device name and the file name (made absolute) and loads the file when there is one.
    void Init(const QString& deviceName, const QString& fileName);
    // The display's two device strings from the display enumeration: the output name and a further id.
    void setDevice(const QString& deviceName, const QString& deviceId);

    bool InsertLUT(const LutValues& lut);
    bool ReadLUT(LutValues& lut) const;
    bool LoadCurrent();
    QString CurrentProfilePath(int displayId) const;
    bool ApplyProfile();
    bool ApplyProfileByPath();
    bool ApplyProfileByPath(int displayId, const QString& path);
    bool ResetSystemProfile();

    // Rows are X, Y and Z; columns red, green and blue (the colorant tags are the columns).
    bool setColorMatrix(const ColorMatrix& matrix);
    bool setColorMatrix(const FixedColorMatrix& matrix); // s15.16 fixed-point, row after row
    bool readColorMatrix(ColorMatrix& matrix) const;
    bool readColorMatrix(FixedColorMatrix& matrix) const;

    static QString generateProfileName(int displayId, const QString& model, const QString& serial);

    // Replaces the in-memory profile by a new sRGB-like display profile of the given ICC version.
    bool createProfile(double iccVersion = DefaultIccVersion);
    bool LoadFromFile();
    // Replaces the in-memory profile by the one in `bytes`; false (and no profile) when they are none.
    bool LoadFromData(const QByteArray& bytes);
    bool SaveToFile();

    bool isLoaded() const { return m_profile != nullptr; }
    int displayId() const { return m_displayId; }
    QString fileName() const { return m_fileName; }
    QString deviceName() const { return m_deviceName; }
    QString colorDirectory() const { return m_colorDirectory; }

private:
    struct ProfileCloser
    {
        void operator()(void* profile) const;
    };
    using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

    bool isOwnDisplay(int displayId, const char* caller) const;

    int m_displayId = -1;
    QString m_deviceName;
    QString m_deviceId;
    QString m_fileName;
    QString m_description;
    QString m_colorDirectory;
    ProfileHandle m_profile;
};
