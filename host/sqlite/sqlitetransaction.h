#pragma once

#include "sqlitetransactioninterface.h"

#include <mutex>

namespace Host::Sqlite {

// Scoped transactions: the constructor takes the connection's lock and begins,
// `commit` ends the transaction, and a guard destroyed without a commit (an
// exception left the scope) rolls back. The lock is released last in both
// cases; a begin that throws releases it without rolling anything back.
template<void (TransactionInterface::*Begin)(),
         void (TransactionInterface::*End)(),
         void (TransactionInterface::*Abort)()>
class BasicTransaction
{
public:
    explicit BasicTransaction(TransactionInterface &interface)
        : m_interface(interface), m_lock(interface)
    {
        (m_interface.*Begin)();
    }

    ~BasicTransaction()
    {
        if (m_open) {
            try {
                (m_interface.*Abort)();
            } catch (...) {
                // A failed rollback leaves SQLite to roll back itself when the
                // next transaction begins; there is nobody to tell in a destructor.
            }
        }
    }

    BasicTransaction(const BasicTransaction &) = delete;
    BasicTransaction &operator=(const BasicTransaction &) = delete;

    // A commit that throws leaves the transaction open, so the guard still
    // rolls it back.
    void commit()
    {
        (m_interface.*End)();
        m_open = false;
    }

private:
    TransactionInterface &m_interface;
    std::unique_lock<TransactionInterface> m_lock;
    bool m_open = true;
};

using DeferredTransaction = BasicTransaction<&TransactionInterface::deferredBegin,
                                             &TransactionInterface::commit,
                                             &TransactionInterface::rollback>;
using ImmediateTransaction = BasicTransaction<&TransactionInterface::immediateBegin,
                                              &TransactionInterface::commit,
                                              &TransactionInterface::rollback>;
using ExclusiveTransaction = BasicTransaction<&TransactionInterface::exclusiveBegin,
                                              &TransactionInterface::commit,
                                              &TransactionInterface::rollback>;
// Records the changes to the connection's registered tables and keeps them as
// one change set when it commits.
using ImmediateSessionTransaction = BasicTransaction<&TransactionInterface::immediateSessionBegin,
                                                     &TransactionInterface::sessionCommit,
                                                     &TransactionInterface::sessionRollback>;

} // namespace Host::Sqlite
