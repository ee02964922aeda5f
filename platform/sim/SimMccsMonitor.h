#pragma once

#include "platform/DDCBus.h"

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <map>
#include <vector>

// A monitor that answers DDC/CI on a simulated display's bus, configured by the display's
// "ddc" object in the workstation file:
//   "capabilities"  the capability string (a default listing what the model answers)
//   "vcp"           {"10": {"value": 50, "max": 100}, ...} over the defaults
//   "lut"           {"size": 1024, "bits": 10}: an internal LUT behind VCP 73h and 75h
//   "replyDelayMs"  a reply is not ready sooner than this after its request (default 40)
//   "faults"        "noAnswer", "duplicateSecondByte", "extraReplyBytes" (1 or 2, Get-VCP
//                   replies), "badChecksums" (that many replies, -1 every one),
//                   "failAtCapabilitiesEnd", "failSave", "slowBusMs" (added to each transfer)
//   "usbOnly"       the monitor answers only over its USB port (a WIDE display's), never on the bus
//   "serialOnly"    the monitor answers only on its serial line (the display's "serialPort")
//   "identity"      {"serial": "...", "model": "..."}: the identity block a medical display reports
//                   on a table read of IdentityTableCode (serial at bytes 4-16, model at 17-29)
//   "wide"          instead of MCCS, the register protocol of WIDE displays in the length-prefixed
//                   framing: {"model": "x3", "lutDepth": 1, "inputDataBit": 0, "brightness": 311,
//                   "temperature": 35, "hours": 1234, "minutes": 30, "ack": 48}
// Settings and the LUT outlive the process like a real monitor's: they are kept in the
// session's state folder, so the agent and lutloaderctl see the same monitor.
class SimMccsMonitor : public DDCBus
{
public:
    // `overUsb`: the monitor is reached through its USB port, where the WIDE register protocol
    // acknowledges with 00h and prefixes register values with the command and register.
    SimMccsMonitor(const QJsonObject& config, QString stateFile, bool overUsb = false);
    ~SimMccsMonitor() override;

    bool write(quint8 address, const QByteArray& bytes, QString* error) override;
    bool read(quint8 address, int count, QByteArray& out, QString* error) override;

    // How long until the reply to the last request can be read: 0 when it can now, -1 when the
    // request has no reply.
    int msUntilReply() const;

    static QString defaultCapabilities(bool withLut);
    static constexpr int IdentityTableCode = 0xF1;
    // The LUT and settings kept for `stateFile`, for lutloaderctl and tests: {"lut": [[...]...], "vcp":
    // {...}}.
    static QJsonObject loadState(const QString& stateFile);

private:
    struct Feature
    {
        int value = 0;
        int max = 0;
    };
    using Clock = std::chrono::steady_clock;

    void handle(const QByteArray& payload);
    void handleWide(const QByteArray& package);
    void setFrontSensorGrey(int grey);
    void queueWide(const QByteArray& payload);
    void reply(QByteArray payload);
    void tableWrite(int code, const QByteArray& data);
    QByteArray tableRead(int code) const;
    void resetToDefaults();
    void loadStateFile();
    void saveStateFile();

    QJsonObject m_config;
    QJsonObject m_faults;
    QString m_stateFile;
    QByteArray m_capabilities;
    std::map<int, Feature> m_defaults;
    std::map<int, Feature> m_features;
    int m_lutSize = 0;
    int m_lutBits = 0;
    std::vector<std::vector<int>> m_lut;
    QByteArray m_pendingLutRead; // the 75h read request block last written
    QByteArray m_reply;
    Clock::time_point m_replyReadyAt;
    int m_replyDelayMs = 40;
    int m_badChecksumsLeft = 0;
    bool m_dirty = false;
    bool m_wide = false;
    bool m_overUsb = false;
    std::map<int, QByteArray> m_registers;
    double m_frontSensorWhite = 5.0;
    std::vector<int> m_wideGamma;
    std::vector<int> m_wideGains;
    std::vector<QByteArray> m_wideReplies;
};
