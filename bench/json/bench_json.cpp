// Measures the memory a large JSON translation file costs the `lexora` tool:
// the peak resident size of an import and of an export of 330,000 IDs in five
// languages, against the file's size (the target: at most twice the file plus
// 100 MB), and the time it takes to read the file into entries against Qt's
// JSON parser reading the same file into a document (the reader hands that
// parser one element at a time, then converts it).

#include "benchresult.h"

#include <jsonimportexport.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

using namespace Lexora;

namespace {

constexpr int idCount = 330000;
const char *const languages[] = { "de", "en", "fr", "es", "it" };

TranslatableEntries makeEntries()
{
    std::mt19937 random(42);
    std::uniform_int_distribution<int> wordLength(3, 11);
    std::uniform_int_distribution<int> wordCount(1, 3);
    std::uniform_int_distribution<int> letter('a', 'z');
    TranslatableEntries entries;
    entries.reserve(idCount);
    for (int index = 0; index < idCount; ++index) {
        TranslatableEntry &entry = entries.emplace_back();
        entry.translationTextId
            = "screen" + std::to_string(index / 50) + ".label" + std::to_string(index);
        for (const char *language : languages) {
            TranslationEntry &translation = entry.translations.emplace_back();
            translation.language = language;
            for (int words = wordCount(random); words > 0; --words) {
                if (!translation.translation.empty())
                    translation.translation += ' ';
                for (int length = wordLength(random); length > 0; --length)
                    translation.translation += char(letter(random));
            }
        }
    }
    return entries;
}

struct Run
{
    bool ok = false;
    double milliseconds = 0;
    double peakMegabytes = 0;
};

// Runs a program as a child and reads its peak resident size from the
// kernel, as `/usr/bin/time -v` does. A child starts with the peak of the
// process that spawns it, so this process stays small until the tool has
// run: another instance of it writes the file.
Run runChild(std::string program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string &argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    Run run;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage usage = {};
        if (wait4(child, &status, 0, &usage) == child) {
            run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            run.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
        }
    }
    run.milliseconds = double(timer.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

Run runTool(const std::vector<std::string> &arguments)
{
    return runChild(LEXORA_TOOL, arguments);
}

} // namespace

int main(int argc, char *argv[])
{
    // The export logs the whole document when the log shows debug messages.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    if (argc == 3 && std::string(argv[1]) == "--write") {
        JsonImportExport().exportFile(QString::fromLocal8Bit(argv[2]), makeEntries(), {});
        return 0;
    }

    QTemporaryDir directory;
    if (!directory.isValid()) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    QFile project(directory.filePath("big.qmlproject"));
    if (!project.open(QIODevice::WriteOnly)
        || project.write(
               "import QmlProject\nProject {\n    QmlFiles { directory: \"content\" }\n}\n")
            < 0) {
        std::fprintf(stderr, "cannot write the project file\n");
        return 1;
    }
    project.close();

    const QString jsonPath = directory.filePath("big.json");
    if (!runChild("/proc/self/exe", { "--write", jsonPath.toStdString() }).ok) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(jsonPath));
        return 1;
    }
    const double fileMegabytes = double(QFileInfo(jsonPath).size()) / (1024.0 * 1024.0);

    const std::string projectDirectory = directory.path().toStdString();
    const Run imported
        = runTool({ "import", jsonPath.toStdString(), "--project", projectDirectory });
    const Run exported = runTool(
        { "export", directory.filePath("out.json").toStdString(), "--project", projectDirectory });
    if (!imported.ok || !exported.ok) {
        std::fprintf(stderr, "lexora import or export failed\n");
        return 1;
    }

    // The peer: Qt's parser reading the whole file into one document.
    QElapsedTimer timer;
    timer.start();
    {
        QFile file(jsonPath);
        if (!file.open(QIODevice::ReadOnly)
            || !QJsonDocument::fromJson(file.readAll()).isObject()) {
            std::fprintf(stderr, "Qt's parser cannot read %s\n", qPrintable(jsonPath));
            return 1;
        }
    }
    const double parseMs = double(timer.nsecsElapsed()) / 1e6;
    // What the import reads before it touches the database: every entry.
    timer.restart();
    const std::size_t readCount = JsonImportExport().importFile(jsonPath).size();
    const double readMs = double(timer.nsecsElapsed()) / 1e6;
    if (readCount != std::size_t(idCount)) {
        std::fprintf(stderr, "read %zu IDs of %d\n", readCount, idCount);
        return 1;
    }

    const double limitMegabytes = 2 * fileMegabytes + 100;
    std::printf("json: %d IDs x 5 languages, a %.0f MB file; Qt's parser reads it into a "
                "document in %.0f ms\n",
                idCount,
                fileMegabytes,
                parseMs);
    std::printf(
        "  reading it into entries: %.0f ms (%.2fx Qt's parser)\n", readMs, readMs / parseMs);
    std::printf("  import: %.0f ms, peak %.0f MB (%.2fx the file)\n",
                imported.milliseconds,
                imported.peakMegabytes,
                imported.peakMegabytes / fileMegabytes);
    std::printf("  export: %.0f ms, peak %.0f MB (%.2fx the file)\n",
                exported.milliseconds,
                exported.peakMegabytes,
                exported.peakMegabytes / fileMegabytes);

    char measured[96], peer[96];
    Bench::format(peer, "Qt's parser %.0f ms", parseMs);
    Bench::printResult("bench_json",
                       "read the file into entries",
                       Bench::format(measured, "%.0f ms", readMs),
                       peer,
                       readMs / parseMs,
                       2,
                       "x");
    Bench::format(peer, "2 x %.0f MB file + 100 MB = %.0f MB", fileMegabytes, limitMegabytes);
    Bench::printResult("bench_json",
                       "import peak memory, 330,000 IDs x 5 languages",
                       Bench::format(measured, "%.0f MB", imported.peakMegabytes),
                       peer,
                       imported.peakMegabytes / limitMegabytes,
                       1,
                       "x");
    Bench::printResult("bench_json",
                       "export peak memory, 330,000 IDs x 5 languages",
                       Bench::format(measured, "%.0f MB", exported.peakMegabytes),
                       peer,
                       exported.peakMegabytes / limitMegabytes,
                       1,
                       "x");
    return 0;
}
