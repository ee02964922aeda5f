#include "sync/SynchronizeSettings.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

struct State
{
    NetworkSettings network;
    QString preferenceTable = QStringLiteral("Preferences");
    QString displayTable = QStringLiteral("Displays");
    QString historyTable = QStringLiteral("History");
    QString caFile;
    int requestTimeoutMs = 60000;
    int versionTimeoutMs = 5000;
    int historyBatchSize = 200;
};

QMutex& mutex()
{
    static QMutex m;
    return m;
}

State& state()
{
    static State s;
    return s;
}

template <typename T> T get(T State::*member)
{
    QMutexLocker lock(&mutex());
    return state().*member;
}

template <typename T> void put(T State::*member, const T& value)
{
    QMutexLocker lock(&mutex());
    state().*member = value;
}

} // namespace

void SynchronizeSettings::SetNetworkSettings(const NetworkSettings& settings)
{
    put(&State::network, settings);
}
NetworkSettings SynchronizeSettings::GetNetworkSettings()
{
    return get(&State::network);
}
void SynchronizeSettings::SetPreferenceTableName(const QString& name)
{
    put(&State::preferenceTable, name);
}
QString SynchronizeSettings::GetPreferenceTableName()
{
    return get(&State::preferenceTable);
}
void SynchronizeSettings::SetDisplayTableName(const QString& name)
{
    put(&State::displayTable, name);
}
QString SynchronizeSettings::GetDisplayTableName()
{
    return get(&State::displayTable);
}
void SynchronizeSettings::SetHistoryTableName(const QString& name)
{
    put(&State::historyTable, name);
}
QString SynchronizeSettings::GetHistoryTableName()
{
    return get(&State::historyTable);
}
void SynchronizeSettings::setExtraCaFile(const QString& file)
{
    put(&State::caFile, file);
}
QString SynchronizeSettings::extraCaFile()
{
    const QString file = get(&State::caFile);
    if (!file.isEmpty())
        return file;
    return qEnvironmentVariable("LUTLOADER_CA_FILE");
}
void SynchronizeSettings::setRequestTimeoutMs(int ms)
{
    put(&State::requestTimeoutMs, ms);
}
int SynchronizeSettings::requestTimeoutMs()
{
    return get(&State::requestTimeoutMs);
}
void SynchronizeSettings::setVersionTimeoutMs(int ms)
{
    put(&State::versionTimeoutMs, ms);
}
int SynchronizeSettings::versionTimeoutMs()
{
    return get(&State::versionTimeoutMs);
}
void SynchronizeSettings::setHistoryBatchSize(int rows)
{
    put(&State::historyBatchSize, rows > 0 ? rows : 1);
}
int SynchronizeSettings::historyBatchSize()
{
    return get(&State::historyBatchSize);
}
