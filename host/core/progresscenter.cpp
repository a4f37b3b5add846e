#include "progresscenter.h"

#include "progressmodel.h"

#include <utils/lazyinstance.h>
#include <utils/softassert.h>

#include <QFutureWatcher>
#include <QThread>
#include <QTimer>

#include <map>
#include <optional>

namespace Host::Core {

namespace {

struct Task
{
    QFutureWatcher<void> *watcher = nullptr;
    // Kept to recognise a future interface that is added a second time.
    std::optional<QFutureInterfaceBase> interface;
    ProgressCenter::ProgressFlags flags;
};

} // namespace

class ProgressCenterPrivate
{
public:
    explicit ProgressCenterPrivate(ProgressCenter *q) : q(q), model(new ProgressModel(q)) { }

    quint64 add(const QFuture<void> &future,
                const QString &title,
                const QByteArray &typeId,
                ProgressCenter::ProgressFlags flags);
    void sync(quint64 id);
    void finish(quint64 id);

    ProgressCenter *q;
    ProgressModel *model;
    std::map<quint64, Task> tasks;
    quint64 nextId = 1;
    int linger = 2000;
};

quint64 ProgressCenterPrivate::add(const QFuture<void> &future,
                                   const QString &title,
                                   const QByteArray &typeId,
                                   ProgressCenter::ProgressFlags flags)
{
    const quint64 id = nextId++;
    auto *watcher = new QFutureWatcher<void>(q);
    Task &task = tasks[id];
    task.watcher = watcher;
    task.flags = flags;

    ProgressEntry entry;
    entry.id = id;
    entry.title = title;
    entry.typeId = typeId;
    model->append(entry);

    // Connect before setFuture(): the watcher replays what the future reported
    // so far (started, range, value, finished), even if a worker was faster
    // than the queued call that brought the future here.
    const auto syncEntry = [this, id] {
        sync(id);
    };
    QObject::connect(watcher, &QFutureWatcherBase::started, q, syncEntry);
    QObject::connect(watcher, &QFutureWatcherBase::progressRangeChanged, q, syncEntry);
    QObject::connect(watcher, &QFutureWatcherBase::progressValueChanged, q, syncEntry);
    QObject::connect(watcher, &QFutureWatcherBase::progressTextChanged, q, syncEntry);
    QObject::connect(watcher, &QFutureWatcherBase::canceled, q, syncEntry);
    QObject::connect(watcher, &QFutureWatcherBase::finished, q, [this, id] { finish(id); });
    watcher->setFuture(future);
    sync(id);
    emit q->taskAdded(typeId);
    return id;
}

void ProgressCenterPrivate::sync(quint64 id)
{
    const auto it = tasks.find(id);
    if (it == tasks.end())
        return;
    // The future's own state is the truth; the watcher's signals only say when
    // to look. Values reported in quick succession are throttled by Qt, so the
    // signal arguments alone can lag behind.
    const QFuture<void> future = it->second.watcher->future();
    ProgressEntry entry = model->entry(model->rowOf(id));
    entry.minimum = future.progressMinimum();
    entry.maximum = future.progressMaximum();
    entry.value = future.progressValue();
    entry.progressText = future.progressText();
    entry.started = future.isStarted() || future.isFinished();
    entry.canceled = future.isCanceled();
    model->update(entry);
}

void ProgressCenterPrivate::finish(quint64 id)
{
    const auto it = tasks.find(id);
    if (it == tasks.end())
        return;
    sync(id);
    ProgressEntry entry = model->entry(model->rowOf(id));
    if (entry.finished)
        return;
    entry.finished = true;
    model->update(entry);

    const bool keep = it->second.flags.testFlag(ProgressCenter::KeepOnFinish) || linger < 0;
    it->second.watcher->disconnect(q);
    it->second.watcher->deleteLater();
    it->second.watcher = nullptr;
    it->second.interface.reset();

    emit q->taskFinished(entry.typeId, entry.canceled);
    if (!keep) {
        QTimer::singleShot(linger, q, [this, id] {
            model->remove(id);
            tasks.erase(id);
        });
    }
    if (!q->hasRunningTasks())
        emit q->allTasksFinished();
}

ProgressCenter *ProgressCenter::instance()
{
    return Utils::lazyInstance<ProgressCenter>([] { return new ProgressCenter; });
}

ProgressCenter::ProgressCenter() : d(std::make_unique<ProgressCenterPrivate>(this)) { }

ProgressCenter::~ProgressCenter() = default;

void ProgressCenter::addTask(const QFutureInterfaceBase &future,
                             const QString &title,
                             const QByteArray &typeId,
                             ProgressFlags flags)
{
    if (QThread::currentThread() != thread()) {
        QFutureInterfaceBase copy(future);
        QMetaObject::invokeMethod(
            this,
            [this, copy, title, typeId, flags] { addTask(copy, title, typeId, flags); },
            Qt::QueuedConnection);
        return;
    }
    for (const auto &[id, task] : d->tasks) {
        if (task.interface && *task.interface == future)
            return;
    }
    QFutureInterface<void> voidInterface(future);
    const quint64 id = d->add(voidInterface.future(), title, typeId, flags);
    if (const auto it = d->tasks.find(id); it != d->tasks.end() && it->second.watcher)
        it->second.interface = future;
}

void ProgressCenter::addFuture(const QFuture<void> &future,
                               const QString &title,
                               const QByteArray &typeId,
                               ProgressFlags flags)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this,
            [this, future, title, typeId, flags] { addFuture(future, title, typeId, flags); },
            Qt::QueuedConnection);
        return;
    }
    d->add(future, title, typeId, flags);
}

ProgressModel *ProgressCenter::model() const
{
    return d->model;
}

void ProgressCenter::cancelTasks(const QByteArray &typeId)
{
    for (const auto &[id, task] : d->tasks) {
        if (task.watcher && d->model->entry(d->model->rowOf(id)).typeId == typeId)
            task.watcher->cancel();
    }
}

void ProgressCenter::removeFinished()
{
    for (auto it = d->tasks.begin(); it != d->tasks.end();) {
        if (!it->second.watcher) {
            d->model->remove(it->first);
            it = d->tasks.erase(it);
        } else {
            ++it;
        }
    }
}

bool ProgressCenter::hasRunningTasks() const
{
    for (const auto &[id, task] : d->tasks) {
        if (task.watcher)
            return true;
    }
    return false;
}

void ProgressCenter::setFinishedLinger(int milliseconds)
{
    d->linger = milliseconds;
}

int ProgressCenter::finishedLinger() const
{
    return d->linger;
}

} // namespace Host::Core
