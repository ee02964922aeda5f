#pragma once

#include <QObject>

// Requests from the operating system to end the program (a termination signal, a
// console interrupt). Delivered on the thread that created the object.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TerminationSignals() override = default;

Q_SIGNALS:
    // `name` is what the user would recognise, for example "SIGTERM".
    void terminationRequested(const QString& name);
    void hangupRequested();
};
