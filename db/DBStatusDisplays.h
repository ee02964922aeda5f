#pragma once

#include <QMap>
#include <QString>

#include <memory>

class KaldoDynamicData;

// QA status values of each display as (limitname, limitvalue) pairs.
class DBStatusDisplays
{
public:
    static const QString TABLE;

    DBStatusDisplays();

    // Writes nothing when the stored value already equals `value`.
    bool SetStatusInfo(int displayid, const QString& name, const QString& value);
    QString GetStatusLimit(int displayid, const QString& name);
    QMap<QString, QString> GetStatusInfo(int displayid);
    // Whether a row exists; its value goes to `value`.
    bool GetStatusInfo(int displayid, const QString& name, QString& value);
    bool clearStatusInfo(int displayid);

private:
    static bool ensureChecked(KaldoDynamicData& data);

    std::shared_ptr<KaldoDynamicData> data_;
};
