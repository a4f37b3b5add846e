#pragma once

#include <QSaveFile>

namespace Lexora {

// The one way the plugin writes a file: under a temporary name next to its
// target, renamed into place when it is committed, so that a reader always sees
// either the previous file or the complete new one, also when two writers race
// for the same target (the later rename wins).
//
// Committing verifies what was written: a write error, a short write (a full
// disk or a file-size limit may cut a write short without the device reporting
// an error) or a size on disk that differs from the bytes written discard the
// temporary file and leave the target untouched. commit() says whether it
// worked, errorString() why not. A file destroyed while still open is
// committed; call discard() to drop what was written.
//
// A target that exists and is not a regular file (a device, a pipe, a socket)
// is refused when opening: renaming a file over it would replace the device
// node itself, and a device gives no size to verify the data against.
class AtomicFile final : public QSaveFile
{
    Q_OBJECT

public:
    explicit AtomicFile(const QString &targetPath, QObject *parent = nullptr);
    ~AtomicFile() override;

    QString targetFileName() const { return fileName(); }

    // Only write-only opening is supported; the target need not exist.
    bool open(OpenMode mode) override;
    // Closes and replaces the target. Does nothing (and returns the previous
    // result) when the file is no longer open.
    bool commit();
    // Closes and removes the temporary file; the target stays as it was.
    void discard();
    void close() override;

    bool isCommitted() const { return m_committed; }

    // Replaces the file at `targetPath` with `contents` in one step. False with
    // `errorString` set (when given) if the target could not be replaced; the
    // previous file is then unchanged.
    static bool writeFile(const QString &targetPath,
                          const QByteArray &contents,
                          QString *errorString = nullptr);

    // Removes the temporary files that writers of earlier versions, killed
    // before they finished, left in `directory`: only names of their pattern
    // (".<target>.<token>.part") whose target matches `targetNames` in full,
    // and only while no writer has them open. Today's writer uses an unnamed
    // temporary file where the file system offers one, which a killed writer
    // cannot leave behind. Returns how many were removed.
    static int removeStaleTemporaries(const QString &directory, const QString &targetNames);

    // The first symbolic link on the way from `directory` down to `path`
    // (`path` itself included) whose target lies outside `directory`, or an
    // empty string when there is none. Dangling links count by where they
    // point. `path` names a file below `directory`; neither needs to exist.
    static QString linkLeavingDirectory(const QString &path, const QString &directory);

protected:
    qint64 writeData(const char *data, qint64 length) override;

private:
    void fail(const QString &reason);

    qint64 m_bytesRequested = 0;
    QString m_failure;
    bool m_committed = false;
};

} // namespace Lexora
