#pragma once

#include <QtGlobal>

#include <memory>

class KaldoDynamicData;

// A mark of how far the database had got when it was taken, for a thread that wants to know
// later whether anything may have changed since: a commit by another connection of this or
// another process (SQLite's data version), or a row changed through the thread's own
// connection. Taking one reads no table.
class DBChangeStamp
{
public:
    // On the calling thread's connection; an unset stamp when the database cannot be read.
    static DBChangeStamp take();

    bool isSet() const { return m_dataVersion >= 0; }
    // Same connection, no commit by others and no own change in between. Unset stamps never match.
    bool matches(const DBChangeStamp& other) const;
    // Whether no other connection committed between the two stamps (own changes do not count).
    bool othersQuietSince(const DBChangeStamp& earlier) const;

private:
    bool sameConnection(const DBChangeStamp& other) const;

    std::weak_ptr<KaldoDynamicData> m_connection;
    qint64 m_dataVersion = -1;
    qint64 m_ownChanges = -1;
};
