#pragma once

#include "sqlitetransactioninterface.h"

#include <exception>
#include <mutex>

namespace Host::Sqlite {

// Scoped transactions: the constructor takes the connection's lock and begins,
// `commit` ends the transaction, and a guard destroyed without a commit (an
// exception left the scope) rolls back. The lock is released last in both cases.
template<typename Derived> class BasicTransaction
{
public:
    BasicTransaction(const BasicTransaction &) = delete;
    BasicTransaction &operator=(const BasicTransaction &) = delete;

    void commit()
    {
        Derived::end(m_interface);
        m_open = false;
    }

protected:
    explicit BasicTransaction(TransactionInterface &interface)
        : m_interface(interface), m_lock(interface)
    { }

    ~BasicTransaction()
    {
        if (m_open) {
            try {
                Derived::abort(m_interface);
            } catch (...) {
                // A failed rollback leaves SQLite to roll back itself when the
                // next transaction begins; there is nobody to tell in a destructor.
            }
        }
    }

    void begun() { m_open = true; }

    TransactionInterface &m_interface;

private:
    std::unique_lock<TransactionInterface> m_lock;
    bool m_open = false;
};

class DeferredTransaction : public BasicTransaction<DeferredTransaction>
{
public:
    explicit DeferredTransaction(TransactionInterface &interface) : BasicTransaction(interface)
    {
        interface.deferredBegin();
        begun();
    }

    static void end(TransactionInterface &interface) { interface.commit(); }
    static void abort(TransactionInterface &interface) { interface.rollback(); }
};

class ImmediateTransaction : public BasicTransaction<ImmediateTransaction>
{
public:
    explicit ImmediateTransaction(TransactionInterface &interface) : BasicTransaction(interface)
    {
        interface.immediateBegin();
        begun();
    }

    static void end(TransactionInterface &interface) { interface.commit(); }
    static void abort(TransactionInterface &interface) { interface.rollback(); }
};

class ExclusiveTransaction : public BasicTransaction<ExclusiveTransaction>
{
public:
    explicit ExclusiveTransaction(TransactionInterface &interface) : BasicTransaction(interface)
    {
        interface.exclusiveBegin();
        begun();
    }

    static void end(TransactionInterface &interface) { interface.commit(); }
    static void abort(TransactionInterface &interface) { interface.rollback(); }
};

class ImmediateSessionTransaction : public BasicTransaction<ImmediateSessionTransaction>
{
public:
    explicit ImmediateSessionTransaction(TransactionInterface &interface)
        : BasicTransaction(interface)
    {
        interface.immediateSessionBegin();
        begun();
    }

    static void end(TransactionInterface &interface) { interface.sessionCommit(); }
    static void abort(TransactionInterface &interface) { interface.sessionRollback(); }
};

} // namespace Host::Sqlite
