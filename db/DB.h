#pragma once

#include <QString>

#include <memory>

class KaldoDynamicData;

// The registry of database connections: one per thread, created on first use and
// released when the thread ends (or by free()). A connection must never be used
// by another thread than its own.
class DB
{
public:
    static const QString DATABASE_NAME;
    static const QString DEFAULT_OPTIONS;

    static void setPath(const QString& directory);
    static QString path();
    static void setOption(const QString& options);
    static QString options();

    static std::shared_ptr<KaldoDynamicData> get();
    static void free();
    // Connections currently held by the registry (one per thread that used the database).
    static int connectionCount();

    static bool startTransaction();
    static bool finishTransaction();
    static bool cancelTransaction();

private:
    friend class DBThreadRelease;
    static void releaseCurrentThread();
    static void releaseWhenQThreadFinishes();
    static std::shared_ptr<KaldoDynamicData> current();
};
