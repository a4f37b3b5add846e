// Generates the translation files of a synthetic project (2,000 QML files,
// 5,000 distinct IDs of which a tenth are used with a count, source texts and
// comments beside the calls, 10 languages, everything translated) with
// `lexora generate --format all` and compares the time with Qt's pipeline on
// the same project in the same run: lupdate writing the 10 .ts files at once,
// then lrelease compiling them into 10 .qm files. It also times the database
// lookups of one generation, each of which is one read transaction that the
// interface thread's edits have to wait for.

#include "benchresult.h"

#include "databaseio/projectdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace Lexora;

namespace {

constexpr int fileCount = 2000;
constexpr int idCount = 5000;
constexpr int callsPerFile = 10;
constexpr int runs = 5;
const char *const languages[] = { "de", "fr", "es", "it", "nl", "pl", "sv", "ja", "zh", "pt-PT" };

QByteArray translationId(int index)
{
    return "screen." + QByteArray::number(index / 10) + ".text" + QByteArray::number(index % 10);
}

// Every ID is used by four files; calls sit in bindings, handlers, states and
// functions as in real forms.
QByteArray generatedFile(int file)
{
    auto call = [file](int slot) {
        return "qsTrId(\"" + translationId((file * callsPerFile + slot) % idCount) + "\")";
    };
    QByteArray qml = "import QtQuick\nimport QtQuick.Controls\n\nItem {\n    id: root\n";
    // Source texts, comments and a count, as real projects write them.
    qml += "    //: The screen's title\n    //~ MaxLength 40\n    //% \"Title of screen "
        + QByteArray::number(file) + "\"\n";
    qml += "    property string title: " + call(0) + "\n";
    qml += "    property string subtitle: " + call(1) + "\n";
    qml += "    Column {\n        Label { text: " + call(2) + " }\n";
    qml += "        Button {\n            text: " + call(3)
        + "\n            onClicked: console.log(" + call(4) + ")\n        }\n";
    qml += "        Label { text: root.enabled ? " + call(5) + " : " + call(6) + " }\n    }\n";
    qml += "    states: State {\n        name: \"busy\"\n        PropertyChanges { target: root; "
           "title: "
        + call(7) + " }\n    }\n";
    QByteArray pluralCall = call(8);
    pluralCall.insert(pluralCall.size() - 1, ", count");
    qml += "    function describe(count) {\n        if (count > 1)\n            return "
        + pluralCall + ";\n        return " + call(9) + ";\n    }\n}\n";
    return qml;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

void createProject(const QString &directory)
{
    QDir(directory).mkpath(QStringLiteral("content"));
    QByteArray languageList;
    for (const char *language : languages)
        languageList += QByteArray(languageList.isEmpty() ? "\"" : ", \"") + language + '"';
    writeFile(directory + QStringLiteral("/bench.qmlproject"),
              "import QmlProject\nProject {\n    mainFile: \"content/Screen0.qml\"\n"
              "    QmlFiles { directory: \"content\" }\n    supportedLanguages: ["
                  + languageList + "]\n    primaryLanguage: \"de\"\n}\n");
    for (int file = 0; file < fileCount; ++file) {
        writeFile(QStringLiteral("%1/content/Screen%2.qml").arg(directory).arg(file),
                  generatedFile(file));
    }

    TranslatableEntries entries;
    entries.reserve(idCount);
    for (int id = 0; id < idCount; ++id) {
        TranslatableEntry entry;
        entry.translationTextId = translationId(id).toStdString();
        for (const char *language : languages) {
            TranslationEntry &translation = entry.translations.emplace_back();
            translation.language = language;
            translation.translation
                = std::string(language) + ": translation of " + entry.translationTextId;
            // The IDs that files use with a count get a second form.
            if (id % 10 == 8)
                translation.pluralForms = { translation.translation + " (plural)" };
        }
        entries.push_back(std::move(entry));
    }
    ProjectDatabase database(directory + QStringLiteral("/translations.db"));
    database.databaseIo().syncTranslatables(entries);
}

// Runs the program and returns its wall time in seconds; exits on failure.
double timedRun(const QString &program, const QStringList &arguments, const QString &directory)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(
            stderr, "%s failed:\n%s\n", qPrintable(program), process.readAll().constData());
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

// The lookups a generation of the project makes, one transaction each: the
// translatable ids of all IDs, then one language's translations at a time.
// Returns the longest in milliseconds.
double longestLookupTransaction(const QString &directory)
{
    ProjectDatabase database(directory + QStringLiteral("/translations.db"));
    DatabaseIoInterface &io = database.databaseIo();
    TranslationIds translationIds;
    for (int id = 0; id < idCount; ++id)
        translationIds.push_back(translationId(id).toStdString());
    std::sort(translationIds.begin(), translationIds.end());

    QElapsedTimer timer;
    timer.start();
    const std::vector<std::int64_t> ids = io.translatableIds(translationIds);
    double longest = double(timer.nsecsElapsed()) / 1e6;
    for (const char *language : languages) {
        timer.restart();
        const std::vector<std::optional<std::string>> translations
            = io.fetchTranslations(ids, language);
        longest = std::max(longest, double(timer.nsecsElapsed()) / 1e6);
        const auto found = std::count_if(translations.begin(),
                                         translations.end(),
                                         [](const auto &text) { return text.has_value(); });
        if (std::size_t(found) != ids.size()) {
            std::fprintf(stderr, "%td of %zu translations found\n", found, ids.size());
            std::exit(1);
        }
    }
    return longest;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // `--create-project <directory>` only writes the project, for profiling a
    // generation of it or comparing the output of two builds.
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--create-project")) {
        createProject(arguments.at(2));
        return 0;
    }
    const QString binaries = QLibraryInfo::path(QLibraryInfo::BinariesPath);
    const QString lupdate = binaries + QStringLiteral("/lupdate");
    const QString lrelease = binaries + QStringLiteral("/lrelease");
    if (!QFile::exists(lupdate) || !QFile::exists(lrelease)) {
        std::fprintf(stderr, "lupdate or lrelease missing in %s\n", qPrintable(binaries));
        return 1;
    }

    QTemporaryDir temporary;
    const QString project = temporary.path() + QStringLiteral("/project");
    const QString peer = temporary.path() + QStringLiteral("/peer");
    QDir().mkpath(peer);
    std::printf("creating %d QML files, %d IDs, %zu languages ...\n",
                fileCount,
                idCount,
                std::size(languages));
    createProject(project);

    // lupdate merges into existing .ts files; seeding them with the complete
    // translations gives lrelease the same content lexora writes.
    timedRun(QStringLiteral(LEXORA_TOOL),
             { "generate", "--project", project, "--format", "ts" },
             project);
    QStringList tsFiles;
    for (const char *language : languages)
        tsFiles.append(QStringLiteral("%1/qml_%2.ts").arg(peer, QLatin1String(language)));
    auto seedPeer = [&] {
        for (const char *language : languages) {
            const QString target
                = QStringLiteral("%1/qml_%2.ts").arg(peer, QLatin1String(language));
            QFile::remove(target);
            QFile::copy(QStringLiteral("%1/i18n/qml_%2.ts").arg(project, QLatin1String(language)),
                        target);
        }
    };

    std::vector<double> lexoraTimes, lupdateTimes, lupdateLocationsTimes, lreleaseTimes;
    for (int run = 0; run < runs; ++run) {
        lexoraTimes.push_back(timedRun(QStringLiteral(LEXORA_TOOL),
                                       { "generate", "--project", project, "--format", "all" },
                                       project));

        seedPeer();
        lupdateLocationsTimes.push_back(
            timedRun(lupdate, QStringList { "-silent", "content", "-ts" } + tsFiles, project));
        seedPeer();
        lupdateTimes.push_back(
            timedRun(lupdate,
                     QStringList { "-silent", "-locations", "none", "content", "-ts" } + tsFiles,
                     project));
        lreleaseTimes.push_back(timedRun(
            lrelease, QStringList { "-silent", "-idbased", "-nounfinished" } + tsFiles, peer));
    }

    std::printf("ratio per run (lexora / (lupdate -locations none + lrelease)):");
    for (int run = 0; run < runs; ++run)
        std::printf(" %.2f", lexoraTimes[run] / (lupdateTimes[run] + lreleaseTimes[run]));
    std::printf("\n");
    std::printf("longest lookup transaction of a generation: %.1f ms\n",
                longestLookupTransaction(project));

    const double lexora = median(lexoraTimes);
    const double qtPipeline = median(lupdateTimes) + median(lreleaseTimes);
    const double qtPipelineLocations = median(lupdateLocationsTimes) + median(lreleaseTimes);
    std::printf("lexora generate --format all:              %.3f s\n", lexora);
    std::printf("lupdate -locations none:                   %.3f s\n", median(lupdateTimes));
    std::printf("lupdate (default, with locations):         %.3f s\n",
                median(lupdateLocationsTimes));
    std::printf("lrelease -idbased -nounfinished:           %.3f s\n", median(lreleaseTimes));
    std::printf(
        "ratio lexora / (lupdate -locations none + lrelease): %.2f (target <= 1.0, aim <= 0.5)\n",
        lexora / qtPipeline);
    std::printf("ratio lexora / (lupdate default + lrelease):         %.2f\n",
                lexora / qtPipelineLocations);
    char measuredText[64], peerText[64];
    Bench::printResult(
        "bench_generation",
        "lexora generate --format all",
        Bench::format(measuredText, "%.3f s", lexora),
        Bench::format(peerText, "lupdate -locations none + lrelease %.3f s", qtPipeline),
        lexora / qtPipeline,
        1,
        "x");
    return 0;
}
