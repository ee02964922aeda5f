#include "db/DBTransaction.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"

DBTransaction::DBTransaction() : DBTransaction(DB::get()) {}

DBTransaction::DBTransaction(std::shared_ptr<KaldoDynamicData> db) : m_db(std::move(db))
{
    m_started = m_db->startTransaction();
}

DBTransaction::~DBTransaction()
{
    if (m_commit)
        m_db->finishTransaction();
    else
        m_db->cancelTransaction();
}
