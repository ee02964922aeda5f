#pragma once

#include "platform/TerminationSignals.h"

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP reach the event loop through a self-pipe: the
// handler only writes the signal number, the notifier turns it into a Qt signal.
class LinuxTerminationSignals : public TerminationSignals
{
    Q_OBJECT
public:
    explicit LinuxTerminationSignals(QObject* parent = nullptr);
    ~LinuxTerminationSignals() override;

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
