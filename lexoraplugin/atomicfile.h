#pragma once

#include <QFile>

namespace Lexora {

// A file that is written under a temporary name next to its target and renamed
// into place when it is closed (or destroyed), so that a reader always sees
// either the previous file or the complete new one, also when two writers race
// for the same target: the later rename wins.
//
// Closing verifies what was written: a write error, a short write (a full disk
// or a file-size limit may cut a write short without the device reporting an
// error) or a size on disk that differs from the bytes written discard the
// temporary file and leave the target untouched. commit() says whether it
// worked, errorString() why not.
class AtomicFile final : public QFile
{
    Q_OBJECT

public:
    explicit AtomicFile(const QString &targetPath, QObject *parent = nullptr);
    ~AtomicFile() override;

    QString targetFileName() const { return m_targetPath; }

    // Only write-only opening is supported; the target need not exist.
    bool open(OpenMode mode) override;
    // Closes and replaces the target. Does nothing (and returns the previous
    // result) when the file is no longer open.
    bool commit();
    // Closes and removes the temporary file; the target stays as it was.
    void discard();
    void close() override;

    bool isCommitted() const { return m_committed; }

    // Removes the temporary files that writers which were killed before they
    // finished left in `directory`: only names of this class's own pattern
    // (".<target>.<token>.part") whose target matches `targetNames` in full,
    // and only while no writer has them open. Returns how many were removed.
    static int removeStaleTemporaries(const QString &directory, const QString &targetNames);

protected:
    qint64 writeData(const char *data, qint64 length) override;

private:
    void fail(const QString &reason);

    QString m_targetPath;
    qint64 m_bytesRequested = 0;
    QString m_failure;
    bool m_committed = false;
};

} // namespace Lexora
