#pragma once

#include <QProcess>
#include <QString>

// Two connected pseudo-terminals made by socat: what is written to one end is read from the
// other, as over a null-modem cable (without parity, DTR or RTS). Ending the pair is unplugging
// the cable: both ends hang up.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // Starts socat; false with the reason in `error`.
    bool start(QString* error);
    void unplug();
    // The same from another thread than the one that started the pair (a simulated
    // instrument's): the cable is pulled by the process id.
    void unplugFromAnyThread() const;

    // The end the simulated instrument opens and the one the program under test opens.
    QString instrumentEnd() const { return m_folder + QStringLiteral("/instrument"); }
    QString hostEnd() const { return m_folder + QStringLiteral("/host"); }

private:
    QString m_folder;
    QProcess m_socat;
    qint64 m_pid = 0;
};
