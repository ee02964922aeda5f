#pragma once

#include <QJsonObject>
#include <QString>

// Sends one command to a running simulated workstation and waits for its answer.
class SimControlClient
{
public:
    static QJsonObject send(const QJsonObject& command, const QString& socketPath, int timeoutMs = 5000);
};
