// Extracts the translation IDs of 2,000 generated QML files (ten calls each)
// and compares the time with Qt's lupdate over the same files in the same run.

#include "benchresult.h"
#include "translationfiles/qmltranslationextractor.h"
#include "translationfiles/translationcatalog.h"
#include "userfeedbackinterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>

using namespace Lexora;

namespace {

constexpr int fileCount = 2000;
constexpr int callsPerFile = 10;
constexpr int runs = 3;

class CountingFeedback final : public UserFeedbackInterface
{
public:
    void showMissingImageWarning(std::string_view, std::string_view, std::string_view) override { }
    QFutureInterface<void> createProgress(const QString &, const char *) override
    {
        return QFutureInterface<void>();
    }
    void setProgressMaximum(QFutureInterface<void> &, int) override { }
    void setProgressValue(QFutureInterface<void> &, int) override { }
    void addError(const QString &) override { ++errors; }
    void addFileError(const QString &, int, const QString &) override { ++errors; }
    void startProgress(QFutureInterface<void> &) override { }
    void finishProgress(QFutureInterface<void> &) override { }

    int errors = 0;
};

// Calls sit where real forms have them: bindings, nested objects, states and
// JavaScript functions.
QByteArray generatedFile(int index)
{
    const QByteArray prefix = "screen" + QByteArray::number(index) + ".";
    auto id = [&](int call) {
        return "qsTrId(\"" + prefix + "text" + QByteArray::number(call) + "\")";
    };

    QByteArray qml = "import QtQuick\nimport QtQuick.Controls\n\nItem {\n    id: root\n"
                     "    width: 640\n    height: 480\n";
    qml += "    property string title: " + id(0) + "\n";
    qml += "    property string subtitle: " + id(1) + "\n\n";
    qml += "    Column {\n        spacing: 4\n";
    qml += "        Label { text: " + id(2) + " }\n";
    qml += "        Button {\n            text: " + id(3) + "\n            onClicked: console.log("
        + id(4) + ")\n        }\n";
    qml += "        Label { text: root.enabled ? " + id(5) + " : " + id(6) + " }\n    }\n\n";
    qml += "    states: State {\n        name: \"busy\"\n        PropertyChanges { target: root; "
           "title: "
        + id(7) + " }\n    }\n\n";
    qml += "    function describe(count) {\n        // Counts are formatted by the caller.\n"
           "        if (count > 1)\n            return "
        + id(8)
        + ".arg(count);\n"
          "        return "
        + id(9) + ";\n    }\n}\n";
    return qml;
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Returns the elapsed time of one lupdate run, or a negative value on failure.
double runLupdate(const QString &lupdate,
                  const QStringList &extraArguments,
                  const QString &sourceDir,
                  const QString &tsFile,
                  int *idCount)
{
    QFile::remove(tsFile);
    QProcess process;
    // lupdate warns about every ID-based message without source text; that
    // output is only of interest when the run fails.
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(lupdate,
                  extraArguments + QStringList { sourceDir, QStringLiteral("-ts"), tsFile });
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fputs(process.readAll().right(2000).constData(), stderr);
        return -1;
    }
    const double elapsed = seconds(timer);

    QFile ts(tsFile);
    if (!ts.open(QIODevice::ReadOnly))
        return -1;
    QXmlStreamReader reader(&ts);
    int count = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement
            && reader.name() == QLatin1String("message")
            && !reader.attributes().value(QLatin1String("id")).isEmpty()) {
            ++count;
        }
    }
    *idCount = count;
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    const QString lupdate
        = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/lupdate");
    if (!QFileInfo::exists(lupdate)) {
        std::printf("bench_extractor: skipped, Qt's lupdate is not installed\n");
        return 0;
    }

    QTemporaryDir workDir;
    if (!workDir.isValid()) {
        std::fprintf(stderr, "bench_extractor: cannot create a temporary directory\n");
        return 1;
    }
    const QString sourceDir = workDir.filePath(QStringLiteral("qml"));
    QDir().mkpath(sourceDir);
    QStringList files;
    for (int i = 0; i < fileCount; ++i) {
        const QString path
            = sourceDir + QStringLiteral("/Screen%1.qml").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(generatedFile(i)) < 0) {
            std::fprintf(stderr, "bench_extractor: cannot write %s\n", qPrintable(path));
            return 1;
        }
        files.append(path);
    }

    // Ours: read every file from disk and extract it into a fresh catalogue,
    // as the generation worker does.
    double ours = 1e9;
    int ourIds = 0;
    CountingFeedback feedback;
    for (int run = 0; run < runs; ++run) {
        QSet<QString> ids;
        QElapsedTimer timer;
        timer.start();
        for (const QString &path : std::as_const(files)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return 1;
            TranslationCatalog catalog(&feedback);
            loadQml(catalog, file, path, &feedback);
            for (const CatalogMessage &message : catalog.messages())
                ids.insert(message.id);
        }
        ours = std::min(ours, seconds(timer));
        ourIds = int(ids.size());
    }

    const QString tsFile = workDir.filePath(QStringLiteral("bench.ts"));
    double withoutLocations = 1e9;
    double withLocations = 1e9;
    int theirIds = 0;
    for (int run = 0; run < runs; ++run) {
        const double elapsed = runLupdate(lupdate,
                                          { QStringLiteral("-locations"), QStringLiteral("none") },
                                          sourceDir,
                                          tsFile,
                                          &theirIds);
        if (elapsed < 0) {
            std::fprintf(stderr, "bench_extractor: lupdate -locations none failed\n");
            return 1;
        }
        withoutLocations = std::min(withoutLocations, elapsed);
    }
    // The default run is an order of magnitude slower; once is enough.
    int defaultIds = 0;
    withLocations = runLupdate(lupdate, {}, sourceDir, tsFile, &defaultIds);
    if (withLocations < 0) {
        std::fprintf(stderr, "bench_extractor: lupdate failed\n");
        return 1;
    }

    const int expected = fileCount * callsPerFile;
    std::printf("bench_extractor: %d QML files, %d calls each (best of %d runs)\n",
                fileCount,
                callsPerFile,
                runs);
    std::printf("  ours:                           %8.3f s  (%d IDs, %d reports)\n",
                ours,
                ourIds,
                feedback.errors);
    std::printf(
        "  lupdate -locations none:        %8.3f s  (%d IDs)\n", withoutLocations, theirIds);
    std::printf("  lupdate (default locations):    %8.3f s  (%d IDs)\n", withLocations, defaultIds);
    std::printf("  ratio to lupdate -locations none: %.3f (target <= 1.0)\n",
                ours / withoutLocations);
    std::printf("  ratio to default lupdate:         %.3f\n", ours / withLocations);
    char measured[64], peer[64];
    Bench::printResult("bench_extractor",
                       "extract IDs of the QML files",
                       Bench::format(measured, "%.3f s", ours),
                       Bench::format(peer, "lupdate -locations none %.3f s", withoutLocations),
                       ours / withoutLocations,
                       1,
                       "x");

    if (ourIds != expected || theirIds != expected || defaultIds != expected || feedback.errors) {
        std::fprintf(stderr, "bench_extractor: ID counts differ (expected %d)\n", expected);
        return 1;
    }
    return 0;
}
