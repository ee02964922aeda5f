#pragma once

#include "db/KaldoDynamicData.h"

#include <memory>

// A transaction on the calling thread's connection for the lifetime of the object:
// committed on destruction unless failTransaction() was called. Inside another
// transaction it only joins it; a failed inner one makes the whole roll back.
class DBTransaction
{
public:
    using Kind = KaldoDynamicData::TransactionKind;

    // A writing transaction unless `kind` says it only reads.
    explicit DBTransaction(Kind kind = Kind::Write);
    // On a connection the caller already holds (it must be this thread's).
    explicit DBTransaction(std::shared_ptr<KaldoDynamicData> db, Kind kind = Kind::Write);
    ~DBTransaction();
    DBTransaction(const DBTransaction&) = delete;
    DBTransaction& operator=(const DBTransaction&) = delete;

    void failTransaction() { m_commit = false; }
    // False when the transaction could not begin (database not opened, locked too long).
    bool started() const { return m_started; }

private:
    std::shared_ptr<KaldoDynamicData> m_db;
    bool m_commit = true;
    bool m_started = false;
};
