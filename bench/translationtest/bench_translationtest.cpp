// Times `lexora test` of the example project (3 screens, 5 languages) with
// previews side by side (--jobs 2) against one preview at a time (--jobs 1),
// in the same run. A test mostly waits for the preview, so a second preview
// should save close to half of the time of the screens it takes over.

#include "benchresult.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int runs = 3;

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(source, target))
            return false;
    }
    return true;
}

// The exit status, or -1 when the tool did not end normally.
int lexora(const QStringList &arguments, const QString &directory)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LEXORA_TOOL), arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir directory;
    if (!directory.isValid() || !copyTree(QStringLiteral(LEXORA_EXAMPLE), directory.path())
        || lexora({ QStringLiteral("import"), QStringLiteral("translations.json") },
                  directory.path())
            != 0) {
        std::fprintf(stderr, "bench_translationtest: cannot set up the example project\n");
        return 1;
    }

    // Alternated, so that a change in the machine's load hits both alike; the
    // best of the runs counts.
    double best[2] = { 1e9, 1e9 };
    for (int run = 0; run < runs; ++run) {
        for (int jobs = 1; jobs <= 2; ++jobs) {
            QElapsedTimer clock;
            clock.start();
            // 3: the example has missing and elided texts.
            const int status = lexora(
                { QStringLiteral("test"), QStringLiteral("--jobs"), QString::number(jobs) },
                directory.path());
            const double seconds = double(clock.elapsed()) / 1000.0;
            if (status != 3) {
                std::fprintf(stderr,
                             "bench_translationtest: lexora test --jobs %d exited %d\n",
                             jobs,
                             status);
                return 1;
            }
            std::printf("lexora test --jobs %d: %.2f s\n", jobs, seconds);
            best[jobs - 1] = std::min(best[jobs - 1], seconds);
        }
    }

    char measured[64];
    char peer[64];
    Lexora::Bench::printResult("bench_translationtest",
                               "example, 3 screens x 5 languages, --jobs 2",
                               Lexora::Bench::format(measured, "%.2f s", best[1]),
                               Lexora::Bench::format(peer, "--jobs 1 %.2f s", best[0]),
                               best[1] / best[0],
                               0.85,
                               "x");
    return 0;
}
