#include "generationrunner.h"

#include "userfeedbackinterface.h"
#include "writetranslationfiles.h"

#include <projects/session.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <memory>

namespace Lexora {

GenerationRunner::GenerationRunner(ServicesProvider provider, QObject *parent)
    : QObject(parent), m_provider(std::move(provider))
{ }

GenerationRunner::~GenerationRunner()
{
    waitForFinished();
}

bool GenerationRunner::generateTranslationFiles(LanguageCodes languages, std::string_view format)
{
    return start(std::move(languages), { std::string(format) });
}

bool GenerationRunner::generateQmFiles(LanguageCodes languages)
{
    return generateTranslationFiles(std::move(languages), "qm");
}

bool GenerationRunner::generateTsFiles(LanguageCodes languages)
{
    return generateTranslationFiles(std::move(languages), "ts");
}

bool GenerationRunner::generateAllTranslationFiles(LanguageCodes languages)
{
    return start(std::move(languages), { "qm", "ts" });
}

bool GenerationRunner::start(LanguageCodes languages, std::vector<std::string> formats)
{
    joinFinishedWorkers();

    const GenerationServices services = m_provider ? m_provider() : GenerationServices {};
    if (!services.feedback)
        return false;
    if (!services.database) {
        services.feedback->addError(QCoreApplication::translate(
            "Lexora", "Cannot generate translation files: no translation database is open."));
        return false;
    }

    std::lock_guard lock(m_mutex);
    Worker &worker = m_workers.emplace_back();
    worker.thread = std::thread([this,
                                 &worker,
                                 services,
                                 options = m_options,
                                 languages = std::move(languages),
                                 formats = std::move(formats)] {
        bool succeeded = true;
        try {
            succeeded = writeTranslationFiles(services, languages, formats, options);
        } catch (...) {
            // writeTranslationFiles reports its own failures; this only
            // keeps anything unforeseen from ending the process.
            services.feedback->addError(
                QCoreApplication::translate("Lexora", "Generating translation files failed."));
            succeeded = false;
        }
        {
            // Marked done and announced under one lock: the runner cannot be
            // destroyed in between, and the announcement sees itself done.
            std::lock_guard lock(m_mutex);
            worker.done = true;
            ++m_unannouncedWorkers;
            QMetaObject::invokeMethod(
                this, [this, succeeded] { onWorkerFinished(succeeded); }, Qt::QueuedConnection);
        }
        m_workerDone.notify_all();
    });
    return true;
}

void GenerationRunner::onWorkerFinished(bool succeeded)
{
    joinFinishedWorkers();
    bool last = false;
    {
        std::lock_guard lock(m_mutex);
        --m_unannouncedWorkers;
        last = m_unannouncedWorkers == 0 && !hasRunningWorkerLocked();
    }
    emit finished(succeeded);
    if (last)
        emit allFinished();
}

bool GenerationRunner::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return hasRunningWorkerLocked();
}

void GenerationRunner::whenFinished(QObject *context, std::function<void(bool succeeded)> done)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_unannouncedWorkers > 0 || hasRunningWorkerLocked()) {
            // Several generations may be pending; allFinished follows the last.
            auto succeeded = std::make_shared<bool>(true);
            auto each = std::make_shared<QMetaObject::Connection>();
            *each = connect(this, &GenerationRunner::finished, context, [succeeded](bool ok) {
                *succeeded = *succeeded && ok;
            });
            connect(
                this,
                &GenerationRunner::allFinished,
                context,
                [succeeded, each, done = std::move(done)] {
                    QObject::disconnect(*each);
                    done(*succeeded);
                },
                Qt::SingleShotConnection);
            return;
        }
    }
    done(true);
}

bool GenerationRunner::hasRunningWorkerLocked() const
{
    return std::any_of(
        m_workers.begin(), m_workers.end(), [](const Worker &worker) { return !worker.done; });
}

void GenerationRunner::joinFinishedWorkers()
{
    std::list<Worker> finished;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            auto next = std::next(it);
            if (it->done)
                finished.splice(finished.end(), m_workers, it);
            it = next;
        }
    }
    for (Worker &worker : finished)
        worker.thread.join();
}

void GenerationRunner::waitForFinished()
{
    // Workers ask the project for its files on the session's thread and block
    // until it answers; waiting on that thread without answering would never end.
    QObject *session = Host::Projects::Session::instance();
    const bool onSessionThread = QThread::currentThread() == session->thread();

    std::unique_lock lock(m_mutex);
    while (hasRunningWorkerLocked()) {
        if (onSessionThread) {
            lock.unlock();
            QCoreApplication::sendPostedEvents(session, QEvent::MetaCall);
            lock.lock();
            m_workerDone.wait_for(lock, std::chrono::milliseconds(2));
        } else {
            m_workerDone.wait(lock);
        }
    }
    lock.unlock();
    joinFinishedWorkers();
}

} // namespace Lexora
