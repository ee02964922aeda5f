#pragma once

#include "sensors/SensorCorrection.h"

#include <QList>
#include <QMutex>
#include <QString>

// The sensor corrections of the suite: one compressed XML file per sensor (root "sensor"
// with "vendor", "model", "serial" and "interpolation", the correction's data in "value"
// children), looked up by the sensor's model, vendor and serial.
class CorrectionList
{
public:
    // The list of the data directory's correction folder, read on first use.
    static CorrectionList& instance();

    // Reads every file of `folder`; files that are not corrections are logged and skipped.
    int loadDirectory(const QString& folder);
    // One correction file (compressed or plain XML); false with a logged reason.
    bool loadFile(const QString& path);
    static bool parse(const QByteArray& xml, SensorCorrection& correction, QString* error);
    static QByteArray compress(const QByteArray& xml);

    // The stored correction, or one that changes nothing.
    SensorCorrection GetSensorCorrection(const QString& model, const QString& vendor,
                                         const QString& serial) const;
    void clear();

private:
    mutable QMutex m_mutex;
    QList<SensorCorrection> m_corrections;
    bool m_loaded = false;
};
