#include "db/DBChangeStamp.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"

DBChangeStamp DBChangeStamp::take()
{
    DBChangeStamp stamp;
    const std::shared_ptr<KaldoDynamicData> connection = DB::get();
    if (!connection->IsOpened())
        return stamp;
    auto row = connection->query(QStringLiteral(
        "SELECT data_version AS version, total_changes() AS changes FROM pragma_data_version"));
    if (row.IsNull())
        return stamp;
    bool versionOk = false;
    bool changesOk = false;
    const qint64 version = row.value(QStringLiteral("version")).toLongLong(&versionOk);
    const qint64 changes = row.value(QStringLiteral("changes")).toLongLong(&changesOk);
    if (!versionOk || !changesOk)
        return stamp;
    stamp.m_connection = connection;
    stamp.m_dataVersion = version;
    stamp.m_ownChanges = changes;
    return stamp;
}

bool DBChangeStamp::sameConnection(const DBChangeStamp& other) const
{
    // A connection closed and opened again counts its versions afresh: nothing compares across.
    const std::shared_ptr<KaldoDynamicData> mine = m_connection.lock();
    return isSet() && other.isSet() && mine && mine == other.m_connection.lock();
}

bool DBChangeStamp::matches(const DBChangeStamp& other) const
{
    return sameConnection(other) && m_dataVersion == other.m_dataVersion &&
           m_ownChanges == other.m_ownChanges;
}

bool DBChangeStamp::othersQuietSince(const DBChangeStamp& earlier) const
{
    return sameConnection(earlier) && m_dataVersion == earlier.m_dataVersion;
}
