#pragma once

#include <memory>

class KaldoDynamicData;

// A transaction on the calling thread's connection for the lifetime of the object:
// committed on destruction unless failTransaction() was called. Inside another
// transaction it only joins it; a failed inner one makes the whole roll back.
class DBTransaction
{
public:
    DBTransaction();
    // On a connection the caller already holds (it must be this thread's).
    explicit DBTransaction(std::shared_ptr<KaldoDynamicData> db);
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
