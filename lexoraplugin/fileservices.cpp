#include "fileservices.h"

#include "atomicfile.h"

#include <projects/project.h>
#include <projects/session.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QThread>

#if defined(__SANITIZE_THREAD__)
#define LEXORA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LEXORA_THREAD_SANITIZER 1
#endif
#endif

#ifdef LEXORA_THREAD_SANITIZER
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace Lexora {

namespace {

// A blocking queued call orders the two threads through an event queue and a
// semaphore inside Qt, which ThreadSanitizer cannot see, Qt not being built
// with it. These tell it about that order, so that the query and its result
// stay checked instead of being suppressed.
void handOver([[maybe_unused]] void *token)
{
#ifdef LEXORA_THREAD_SANITIZER
    __tsan_release(token);
#endif
}

void takeOver([[maybe_unused]] void *token)
{
#ifdef LEXORA_THREAD_SANITIZER
    __tsan_acquire(token);
#endif
}

// Runs `query` on the session's thread and returns its result. A worker thread
// waits for the interface thread; on the interface thread itself the query runs
// directly, since a blocking queued call onto one's own thread never returns.
template<typename Query> auto runOnSessionThread(Query query)
{
    using Result = decltype(query(static_cast<Host::Projects::Session *>(nullptr)));
    Host::Projects::Session *session = Host::Projects::Session::instance();
    if (QThread::currentThread() == session->thread())
        return query(session);

    Result result;
    handOver(&result);
    QMetaObject::invokeMethod(
        session,
        [&] {
            takeOver(&result);
            result = query(session);
            handOver(&result);
        },
        Qt::BlockingQueuedConnection);
    takeOver(&result);
    return result;
}

FilePaths currentProjectQmlFiles(Host::Projects::Session *session)
{
    FilePaths paths;
    paths.reserve(128);
    Host::Projects::Project *project = session->startupProject();
    if (!project)
        return paths;

    // Scripts that QML imports call qsTrId as well.
    const Host::Utils::Paths files = project->files([](const Host::Utils::Path &path) {
        return path.endsWith(u".qml") || path.endsWith(u".js") || path.endsWith(u".mjs");
    });
    for (const Host::Utils::Path &file : files)
        paths.push_back(file.toString().toStdString());
    return paths;
}

QStringList currentProjectFileProblems(Host::Projects::Session *session)
{
    Host::Projects::Project *project = session->startupProject();
    return project ? project->fileProblems() : QStringList();
}

FilePath currentProjectI18nDirectory(Host::Projects::Session *session)
{
    Host::Projects::Project *project = session->startupProject();
    if (!project)
        return {};
    return project->projectDirectory()
        .pathAppended(QStringLiteral("i18n"))
        .toString()
        .toStdString();
}

} // namespace

void FileServices::writeFile(std::string_view path, const QByteArray &bytes)
{
    // Callers do not look at the outcome; a failure must still not cost the
    // previous file, and it is logged rather than lost.
    QString error;
    if (!AtomicFile::writeFile(QString::fromUtf8(path), bytes, &error))
        qWarning().noquote() << "Could not write" << QString::fromUtf8(path) << "-" << error;
}

void FileServices::reserved() { }

FilePaths FileServices::projectQmlFiles()
{
    return runOnSessionThread(&currentProjectQmlFiles);
}

std::unique_ptr<QIODevice> FileServices::openFileForWriting(std::string_view path)
{
    auto file = std::make_unique<AtomicFile>(QString::fromUtf8(path));
    if (!file->open(QIODevice::WriteOnly))
        return {};
    return file;
}

std::unique_ptr<QIODevice> FileServices::openFileForReading(std::string_view path)
{
    auto file = std::make_unique<QFile>(QString::fromUtf8(path));
    if (!file->open(QIODevice::ReadOnly))
        return {};
    return file;
}

FilePath FileServices::i18nDirectory()
{
    FilePath path = runOnSessionThread(&currentProjectI18nDirectory);
    if (!path.empty())
        QDir().mkdir(QString::fromUtf8(path));
    return path;
}

QStringList FileServices::projectFileProblems()
{
    return runOnSessionThread(&currentProjectFileProblems);
}

} // namespace Lexora
