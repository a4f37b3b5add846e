#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace Lexora {

// The progress of a translation test on the error stream, file by file: how
// many files are done and about how long the rest takes. On a terminal one
// line that updates in place; otherwise one line per file, for logs.
class TestProgress
{
public:
    explicit TestProgress(std::FILE *stream = stderr);
    ~TestProgress();

    void start();
    void fileDone(int done, int total);
    // Removes the line that updates in place, before the results are printed.
    void finish();

    // "about 2 min left", "about 5 s left"; empty before anything is known.
    static QString timeLeft(qint64 elapsedMilliseconds, int done, int total);

private:
    void write(const QString &text);

    std::FILE *m_stream;
    const bool m_interactive;
    QElapsedTimer m_clock;
    bool m_lineShown = false;
};

} // namespace Lexora
