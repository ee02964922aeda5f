#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QSerialPort;
struct SerialPortInfo;

// The line discipline the serial text instruments share: a port opened at 8N1 without flow
// control, and answers read one non-empty line at a time within a bound.
class SerialTextLine
{
public:
    // Null when the port will not open. A listed port that is gone is no device and leaves
    // `problem` alone; one that will not open otherwise may be the instrument, and says why.
    static std::unique_ptr<QSerialPort> open(const QString& name, qint32 baudRate, QString& problem);
    // Offers `open` the ports the system lists (only port number `wanted`, when it is one)
    // until it takes one; true when it did.
    static bool probe(int wanted, const std::function<bool(const SerialPortInfo&)>& open);
    // The next non-empty line of `port`, kept apart in `buffer` from what follows it. Empty
    // when none came within `timeoutMs` or a line ran past any answer's length; empty with
    // `failure` set when the port failed (the device was unplugged).
    static QByteArray read(QSerialPort& port, QByteArray& buffer, int timeoutMs, const char* who,
                           QString& failure);
};
