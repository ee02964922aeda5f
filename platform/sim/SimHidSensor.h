#pragma once

#include "platform/HidDevices.h"

#include <QJsonObject>
#include <QMap>
#include <QStringList>

#include <array>
#include <deque>

class SimGammaRamps;
class SimWorkstation;

// One opened simulated sensor of the maker: takes a command line in each output report
// (byte 1 its length, then the text) and queues its answer lines as input reports (byte 0
// the length, then the text). Its "faults" object makes it misbehave: "debugLines" (that
// many "#..." lines before each answer), "damagedSize" (a size byte beyond the report),
// "slowMs" (answers later than a read waits for: the read times out and the answer comes
// with the next read), "wrongEcho" (answers start with another word), "unplugAfter" (the
// device is pulled out after that many commands, before it answers the last one),
// "rawReports" (in place of the answers: for each command in turn, one input report as hex
// text or an array of them; a device that sends what it likes).
class SimHidSensor : public HidDevice
{
public:
    SimHidSensor(SimWorkstation& workstation, const SimGammaRamps& ramps, QString path);

    int write(const QByteArray& report) override;
    int read(QByteArray& report, int maxLength, int timeoutMs) override;
    int sendFeatureReport(const QByteArray& report) override;
    int getFeatureReport(quint8 reportId, QByteArray& report, int maxLength) override;
    QString lastError() const override { return m_error; }

    // The panel's light for a patch: the card's ramp of `output` applied to `rgb`, then the
    // panel's native response ("panel": white and black luminance, gamma, primaries).
    static std::array<double, 3> panelXYZ(const SimWorkstation& workstation, const SimGammaRamps& ramps,
                                          const QString& output, const std::array<double, 3>& rgb);

private:
    bool present();
    QStringList answer(const QStringList& words);
    std::array<double, 3> measure() const;
    QJsonObject config() const;

    SimWorkstation& m_workstation;
    const SimGammaRamps& m_ramps;
    const QString m_path;
    QString m_error;
    std::deque<QByteArray> m_pending;
    int m_commands = 0;
    int m_rawAnswered = 0;
    std::deque<QByteArray> m_rawPending;
    bool m_late = false;
    bool m_ambient = false;
    int m_group = 0;
    int m_index = 0;
    // What service commands changed on this device since it was opened.
    QString m_mode = QStringLiteral("sensor");
    QMap<QString, QString> m_identity;
    QStringList m_tables;
    QMap<int, QString> m_pages;
};
