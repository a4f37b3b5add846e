#pragma once

#include "generationservices.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <string_view>
#include <thread>

namespace Lexora {

// Starts translation-file generations on worker threads and keeps track of
// them, so that whoever owns the services (the plugin, the command-line tool)
// can wait for every running generation before it destroys them.
//
// Lives on the interface thread. The start operations return at once; each
// generation reports its progress and errors through the feedback service.
class GenerationRunner : public QObject
{
    Q_OBJECT

public:
    // Gives the services a generation works with. It is asked on the calling
    // thread when a generation is requested, so the database pointer is the one
    // open at that moment; a null database refuses the generation.
    using ServicesProvider = std::function<GenerationServices()>;

    explicit GenerationRunner(ServicesProvider provider, QObject *parent = nullptr);
    // Waits for the running generations.
    ~GenerationRunner() override;

    // Each returns whether a worker was started; a refused generation (no
    // database open) has been reported through the feedback service.
    // `format` is "qm" or "ts".
    bool generateTranslationFiles(LanguageCodes languages, std::string_view format);
    bool generateQmFiles(LanguageCodes languages);
    bool generateTsFiles(LanguageCodes languages);
    // .qm files first, then .ts files, on one worker.
    bool generateAllTranslationFiles(LanguageCodes languages);

    // Applies to the generations started afterwards.
    void setOptions(const GenerationOptions &options) { m_options = options; }

    bool isRunning() const;
    // Calls `done` on this thread once every generation started so far has
    // finished and announced itself, with false when any of them reported an
    // error; at once (with true) when none is pending. Dropped with `context`.
    void whenFinished(QObject *context, std::function<void(bool succeeded)> done);
    // Blocks until every generation started so far has finished. On the
    // interface thread it keeps answering the workers' project queries, which
    // wait for that thread.
    void waitForFinished();

signals:
    // One per generation, on the runner's thread; `succeeded` is false when
    // anything was reported as an error.
    void finished(bool succeeded);
    // Emitted after `finished` when no other generation is running.
    void allFinished();

private:
    struct Worker
    {
        std::thread thread;
        bool done = false;
    };

    bool start(LanguageCodes languages, std::vector<std::string> formats);
    // Whether a worker has not finished yet; m_mutex must be held.
    bool hasRunningWorkerLocked() const;
    void joinFinishedWorkers();
    void onWorkerFinished(bool succeeded);

    ServicesProvider m_provider;
    GenerationOptions m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_workerDone;
    std::list<Worker> m_workers;
    // Finished workers whose `finished` signal is still queued.
    int m_unannouncedWorkers = 0;
};

} // namespace Lexora
