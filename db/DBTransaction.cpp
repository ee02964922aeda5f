#include "db/DBTransaction.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"

DBTransaction::DBTransaction(Kind kind) : DBTransaction(DB::get(), kind) {}

DBTransaction::DBTransaction(std::shared_ptr<KaldoDynamicData> db, Kind kind) : m_db(std::move(db))
{
    m_started = m_db->startTransaction(kind);
}

DBTransaction::~DBTransaction()
{
    if (m_commit)
        m_db->finishTransaction();
    else
        m_db->cancelTransaction();
}
