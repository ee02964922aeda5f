#pragma once

#include "db/NetworkSettings.h"

#include <QString>

// What every synchroniser of a run shares: the connection settings, the names of the
// tables it reads, and the transport limits. Class-wide, guarded by a mutex, because
// the settings dialog writes them on the main thread while a run reads them on the worker.
class SynchronizeSettings
{
public:
    static void SetNetworkSettings(const NetworkSettings& settings);
    static NetworkSettings GetNetworkSettings();

    static void SetPreferenceTableName(const QString& name);
    static QString GetPreferenceTableName();
    static void SetDisplayTableName(const QString& name);
    static QString GetDisplayTableName();
    static void SetHistoryTableName(const QString& name);
    static QString GetHistoryTableName();

    // A PEM file of extra certificate authorities trusted beside the system store
    // (a hospital's own CA). Empty: the environment variable LUTLOADER_CA_FILE decides.
    static void setExtraCaFile(const QString& file);
    static QString extraCaFile();

    // Silence after which an exchange is given up; every byte received restarts it.
    static void setRequestTimeoutMs(int ms);
    static int requestTimeoutMs();
    static void setVersionTimeoutMs(int ms);
    static int versionTimeoutMs();
    // History records per upload request.
    static void setHistoryBatchSize(int rows);
    static int historyBatchSize();
};
