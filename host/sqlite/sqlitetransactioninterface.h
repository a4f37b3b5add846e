#pragma once

#include "sqliteglobal.h"

namespace Host::Sqlite {

// What the transaction guards need from a connection. `lock` and `unlock`
// serialise whole transactions between threads; the begin and end calls run
// only while the lock is held.
class HOST_SQLITE_EXPORT TransactionInterface
{
public:
    virtual ~TransactionInterface();

    virtual void lock() = 0;
    virtual void unlock() = 0;

    virtual void deferredBegin() = 0;
    virtual void immediateBegin() = 0;
    virtual void exclusiveBegin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    // An immediate transaction whose changes to the registered tables are
    // recorded and kept as one change set when it commits.
    virtual void immediateSessionBegin() = 0;
    virtual void sessionCommit() = 0;
    virtual void sessionRollback() = 0;

protected:
    TransactionInterface() = default;
    TransactionInterface(const TransactionInterface &) = delete;
    TransactionInterface &operator=(const TransactionInterface &) = delete;
};

} // namespace Host::Sqlite
