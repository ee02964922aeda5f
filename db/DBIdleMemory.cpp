#include "db/DBIdleMemory.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"

#include <QSqlQuery>

bool DBIdleMemory::release()
{
    // The threads that call this read the database every time they wake: they have a connection.
    const std::shared_ptr<KaldoDynamicData> connection = DB::get();
    if (!connection->IsOpened() || connection->transactionDepth() > 0)
        return false;
    // Touches nothing but this connection's own cache, so it needs no statement lock.
    QSqlQuery query(connection->rawDatabase());
    return query.exec(QStringLiteral("PRAGMA shrink_memory"));
}
