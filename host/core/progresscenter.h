#pragma once

#include "core_global.h"

#include <QByteArray>
#include <QFuture>
#include <QFutureInterface>
#include <QObject>
#include <QString>

#include <memory>

namespace Host::Core {

class ProgressModel;
class ProgressCenterPrivate;

// Shows one progress entry per future and keeps it in step with what the future
// reports (range, value, text, start, finish, cancel). Futures are usually
// driven by worker threads; the center itself lives on the interface thread and
// may be handed new tasks from any thread.
class HOST_CORE_EXPORT ProgressCenter : public QObject
{
    Q_OBJECT

public:
    enum ProgressFlag {
        NoFlags = 0x0,
        // The entry stays after the future finished until removeFinished().
        KeepOnFinish = 0x1,
    };
    Q_DECLARE_FLAGS(ProgressFlags, ProgressFlag)
    Q_FLAG(ProgressFlags)

    static ProgressCenter *instance();
    ~ProgressCenter() override;

    // Adding the same future interface twice keeps the one entry. Called from a
    // thread other than the interface thread, the call is handed over queued.
    void addTask(const QFutureInterfaceBase &future,
                 const QString &title,
                 const QByteArray &typeId,
                 ProgressFlags flags = NoFlags);
    template<typename T>
    void addTask(const QFuture<T> &future,
                 const QString &title,
                 const QByteArray &typeId,
                 ProgressFlags flags = NoFlags)
    {
        addFuture(QFuture<void>(future), title, typeId, flags);
    }

    ProgressModel *model() const;

    // Cancels every running future of this type.
    void cancelTasks(const QByteArray &typeId);
    void removeFinished();
    bool hasRunningTasks() const;

    // How long a finished entry stays visible (milliseconds; negative: until
    // removeFinished()). Two seconds by default, so the user can see it complete.
    void setFinishedLinger(int milliseconds);
    int finishedLinger() const;

signals:
    void taskAdded(const QByteArray &typeId);
    void taskFinished(const QByteArray &typeId, bool canceled);
    void allTasksFinished();

private:
    ProgressCenter();
    void addFuture(const QFuture<void> &future,
                   const QString &title,
                   const QByteArray &typeId,
                   ProgressFlags flags);

    std::unique_ptr<ProgressCenterPrivate> d;
    friend class ProgressCenterPrivate;
};

} // namespace Host::Core

Q_DECLARE_OPERATORS_FOR_FLAGS(Host::Core::ProgressCenter::ProgressFlags)
