#pragma once

#include "userfeedbackinterface.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Shared pieces of the fuzz targets: a feedback sink that keeps nothing, a
// scratch directory on a memory file system where there is one, and writing
// seed files when LEXORA_FUZZ_SEED_DIR names a directory.
namespace Lexora::Fuzz {

class SilentFeedback final : public UserFeedbackInterface
{
public:
    void showMissingImageWarning(std::string_view, std::string_view, std::string_view) override { }
    QFutureInterface<void> createProgress(const QString &, const char *) override
    {
        return QFutureInterface<void>();
    }
    void setProgressMaximum(QFutureInterface<void> &, int) override { }
    void setProgressValue(QFutureInterface<void> &, int) override { }
    void startProgress(QFutureInterface<void> &) override { }
    void finishProgress(QFutureInterface<void> &) override { }
    void addError(const QString &message) override { touch(message); }
    void addFileError(const QString &filePath, int line, const QString &message) override
    {
        touch(filePath);
        touch(message);
        m_sum += std::size_t(line);
    }

private:
    // Reads every report, so that a message built from freed or garbage data
    // shows up under AddressSanitizer.
    void touch(const QString &text)
    {
        for (QChar character : text)
            m_sum += character.unicode();
    }
    std::size_t m_sum = 0;
};

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
