#pragma once

#include "displays/DisplayEnumerator.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The serial ports LG medical displays answer on, found by asking every serial port of the
// machine for the identity block of the display at its end. A port that answered is not asked
// again while it stays listed (its display's transport may hold it open); a silent one is
// asked again at most once a minute, so a display switched on later is found without every
// enumeration waiting on empty lines.
class LGMedicalPorts
{
public:
    // The ports with a display and the identity block each reported.
    static QList<DisplayEnumerator::LGPortIdentity> identities();
    // The port of the display: the one assigned by hand, else the port whose display reported
    // the display's serial. Empty when it answers on none.
    static QString portOf(int displayId);
    // Asks the display at the end of `port` for its identity block; empty when none answers.
    static QByteArray probe(const QString& port);
    // Drops what earlier probes found.
    static void forget();

    // The identity block is read as this table; bytes 4 to 16 carry the serial, 17 to 29 the
    // model name.
    static constexpr unsigned char IdentityTableCode = 0xF1;
    static constexpr int IdentityBlockSize = 30;
    static constexpr qint64 SilentPortRetryMs = 60000;
};
