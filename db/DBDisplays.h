#pragma once

#include <QList>
#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

class KaldoDynamicData;

// The record of every display ever attached (table "Displays") and its name/value
// settings (table "DisplayInfo"). Every read of a missing row answers a neutral value:
// an empty text, -1 for ids, 0 for numbers, false for flags.
class DBDisplays
{
public:
    static const QString TABLE_DISPLAYS;
    static const QString TABLE_DISPLAY_INFO;
    // Serial of the placeholder record used for a display that cannot be identified.
    static const QString FAIRY_SERIAL;
    // Communication modes a new record starts with.
    static constexpr int DEFAULT_COMM_MODE = 19;

    DBDisplays();

    // Record.
    int addDisplay(const QString& serial, int top, int left, int width, int height, bool isactive);
    bool changeDisplay(int displayid, int top, int left, int width, int height);

    // Look-up. The lists come in ascending displayid order, so the first entry is the oldest record.
    void findBySerialAndModel(const QString& serial, const QString& model, QList<int>& ids);
    void findBySerial(const QString& serial, QList<int>& ids);
    int findBySerial(const QString& serial);
    int findByAPISerial(const QString& serial);
    // Projectors reached over the network keep their port inside the stored serial.
    int findByAPISerialAndName(const QString& serial, const QString& name, int port);
    static QString projectorSerial(const QString& serial, const QString& name, int port);
    QList<int> allDisplayIds();

    // One column of the record.
    int getTop(int displayid);
    int getLeft(int displayid);
    int getWidth(int displayid);
    int getHeight(int displayid);
    QString getRealSerial(int displayid);
    QString getAPISerial(int displayid);
    QString getRealModel(int displayid);
    bool isActive(int displayid);
    bool isSynchronizeNeed(int displayid);
    int GetCommMode(int displayid);
    QStringList LUTNames(int displayid);
    // "true", "false", or "unknow" while the display was not yet probed.
    QString ISensorSupport(int displayid);
    QString InternalSensorType(int displayid);
    bool IsAmbientSensorSupport(int displayid);
    bool isSensorCorrectionSupported(int displayid);
    QRect GetSensorCoords(int displayid);

    bool setAPISerial(int displayid, const QString& serial);
    bool setRealModel(int displayid, const QString& model);
    bool SetCommMode(int displayid, int mode);
    bool setLUTNames(int displayid, const QStringList& names);
    bool SetISensorSupport(int displayid, const QString& support);
    bool SetIsAmbientSensorSupport(int displayid, bool support);
    bool setSensorCorrectionSupport(int displayid, bool support);
    bool SetSensorCoords(int displayid, const QRect& coords);

    // Any declared column of "Displays"; an unknown column name is refused.
    QString getField(const QString& column, int displayid, const QString& defaultValue = QString());
    bool setField(const QString& column, int displayid, const QString& value, bool markForUpload = false);

    // Settings.
    QString getDisplayInfo(int displayid, const QString& name);
    bool setDisplayInfo(int displayid, const QString& name, const QString& value, bool markForUpload = true);
    bool setDisplayInfo(int displayid, const QString& name, int value, bool markForUpload = true);
    QMap<QString, QString> enumDisplayInfo(int displayid);
    QMap<QString, QString> getAllDisplayInfo(int displayid) { return enumDisplayInfo(displayid); }
    // Settings whose upload flag is still cleared (issynchron = 0).
    QMap<QString, QString> displayInfoToUpload(int displayid);
    bool isDisplayInfoSynchronizeNeed(int displayid, const QString& name);
    bool SetCommunicationType(int displayid, int type);
    int GetCommunicationType(int displayid);
    bool SetPresenceSensor(int displayid, bool present, const QString& source);
    bool GetPresenceSensor(int displayid, QString* source = nullptr);

    // Activity.
    bool resetActive();
    bool activateDisplay(int displayid, bool active);

    // Upload flags: `need` true clears issynchron so the row is sent again.
    bool setSynchronizeNeed(int displayid, bool need);
    bool setDisplayInfoSynchronizeNeed(int displayid, bool need);
    bool SetAllDisplaysPreferencesSynchNeeded(bool need);

    // LUT identity: ties a stored LUT to the physical display it was written for.
    static QString makeHash(const QString& text);
    static QString calibrationHash(const QString& identity, int displayid);
    bool addCalibrationHash(int displayid);
    bool checkCalibrationHash(int displayid);
    bool addCalibrationHash(int displayid, const QString& identity);
    bool checkCalibrationHash(int displayid, const QString& identity);

    // The placeholder record, created once and then moved to the given display's rectangle.
    int getFairyDisplay(int displayid);
    int getFairyDisplay(const QRect& rect);

private:
    static bool ensureChecked(KaldoDynamicData& data);
    QString column(int displayid, const QString& name);
    int intColumn(int displayid, const QString& name);
    bool setColumn(int displayid, const QString& name, const QString& value);
    bool writeDisplayInfo(int displayid, const QString& name, const QString& value, bool markForUpload);

    std::shared_ptr<KaldoDynamicData> data_;
};
