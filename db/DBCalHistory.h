#pragma once

#include "db/KaldoDataIterator.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>

class KaldoDynamicData;

// Calibration records of the history: curve, colour and express flags, and the
// targets each calibration aimed at.
class DBCalHistory
{
public:
    static const QString TABLE;
    static const QString TARGETS;

    DBCalHistory();

    qint64 addHistory(qint64 historyId, const QString& curveName, bool color, bool express);
    bool addTarget(qint64 calHistoryId, const QString& name, const QString& value);
    QString getTarget(qint64 calHistoryId, const QString& name);
    // From the class-wide cache of all targets, read once (initCacheTargets).
    QMap<QString, QString> getTargets(qint64 calHistoryId);
    KaldoDataIterator beginTarget(qint64 calHistoryId);
    KaldoDataIterator beginHistory(qint64 historyId);
    qint64 getCalHistoryId(qint64 historyId);
    static void initCacheTargets();
    static void dropCacheTargets();

    // The latest passed, non-express calibration of a display with every given
    // target; -1 when none. With a white level, its white patch (measurement type 0)
    // must lie strictly between `low` and `high`.
    qint64 getLatestCalibrationByTargets(int displayId, const QMap<QString, QString>& targets);
    qint64 getLatestCalibrationByTargetsAndWhiteLevel(int displayId, const QMap<QString, QString>& targets,
                                                      double low, double high);
    // (date, luminance) of the consistency measurements (type 2) of one patch.
    QList<QPair<qint64, QString>> getConsistencyDataByDisplayId(int displayId, int r, int g, int b);

private:
    qint64 latest(int displayId, const QMap<QString, QString>& targets, bool whiteLevel, double low,
                  double high);

    std::shared_ptr<KaldoDynamicData> data_;
};
