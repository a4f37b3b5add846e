#pragma once

#include <recordingfeedback.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Shared pieces of the fuzz targets: a scratch directory on a memory file
// system where there is one, and writing seed files when LEXORA_FUZZ_SEED_DIR
// names a directory. Their feedback is the tests' RecordingFeedback, which
// reads every report it keeps.
namespace Lexora::Fuzz {

// A directory of this process for files the target writes and reads back,
// removed at exit. The path is never freed, as the removal runs after static
// objects are gone.
inline QString scratchDirectory()
{
    static const QString *const path = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        auto directory = new QString(
            QStringLiteral("%1/lexora-fuzz-%2").arg(base).arg(QCoreApplication::applicationPid()));
        QDir().mkpath(*directory);
        std::atexit([] { QDir(*path).removeRecursively(); });
        return directory;
    }();
    return *path;
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(content) == content.size();
}

inline QByteArray input(const std::uint8_t *data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

// When set, a target writes the seeds it can make itself (files in the
// plugin's own formats) into this directory and exits.
inline QString seedDirectory()
{
    return qEnvironmentVariable("LEXORA_FUZZ_SEED_DIR");
}

} // namespace Lexora::Fuzz
