// Measures the translation checks of 100,000 IDs in 10 languages against the
// primary language, relative to the sqlite3 shell reading the same rows with a
// plain SELECT, in the same run and on the same database file. Target: at most
// three times the shell's time.

#include "benchresult.h"

#include <checks/checkdatareader.h>
#include <checks/translationchecker.h>
#include <databaseio/projectdatabase.h>

#include <sqlite/sqlitetransaction.h>
#include <sqlite/sqlitewritestatement.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace Lexora;

namespace {

constexpr int idCount = 100000;
constexpr int repetitions = 3;
const char *const checkedLanguages[]
    = { "de", "fr", "es", "it", "pt", "nl", "sv", "pl", "ja", "zh" };

// English-like texts, a share of them with place markers, accelerators,
// markup and endings, so that every scanner has work to do.
std::string primaryText(std::mt19937 &random)
{
    static const char *const words[]
        = { "open",  "file",   "save", "order", "item",    "total",
            "price", "remove", "cart", "user",  "account", "settings" };
    std::uniform_int_distribution<int> pick(0, 11);
    std::uniform_int_distribution<int> length(2, 8);
    std::uniform_int_distribution<int> kind(0, 9);
    std::string text;
    for (int index = length(random); index > 0; --index) {
        if (!text.empty())
            text += ' ';
        text += words[pick(random)];
    }
    switch (kind(random)) {
    case 0:
        text = "&" + text;
        break;
    case 1:
        text += " %1 of %2";
        break;
    case 2:
        text = "<b>" + text + "</b>";
        break;
    case 3:
        text += "...";
        break;
    case 4:
        text += "?";
        break;
    default:
        break;
    }
    return text;
}

// Mostly faithful translations; a few lose a marker, an accelerator or a
// tag, some are missing, some were left untranslated.
std::string translatedText(const std::string &primary, std::mt19937 &random, bool &present)
{
    std::uniform_int_distribution<int> fault(0, 99);
    const int roll = fault(random);
    present = roll != 0;
    if (roll == 1)
        return primary;
    std::string text = "xx " + primary;
    if (roll == 2) {
        if (auto marker = text.find("%1"); marker != std::string::npos)
            text.erase(marker, 2);
    } else if (roll == 3 && !text.empty() && text.back() == '?') {
        text.pop_back();
    }
    return text;
}

void createDatabase(const QString &path)
{
    ProjectDatabase database { path };
    Host::Sqlite::Database &connection = database.database();
    Host::Sqlite::WriteStatement insertTranslatable {
        "INSERT INTO translatables(id, translationTextId) VALUES(?1, ?2)", connection
    };
    Host::Sqlite::WriteStatement insertTranslation {
        "INSERT INTO translations(id, translatableId, language, translation) VALUES(?1, ?2, ?3, "
        "?4)",
        connection
    };
    std::mt19937 random(11);
    {
        Host::Sqlite::ImmediateTransaction transaction { connection };
        long long translationId = 0;
        for (long long id = 1; id <= idCount; ++id) {
            insertTranslatable.execute(
                id, "screen" + std::to_string(id / 50) + ".text" + std::to_string(id));
            const std::string primary = primaryText(random);
            insertTranslation.execute(++translationId, id, "en", primary);
            for (const char *language : checkedLanguages) {
                bool present = true;
                const std::string text = translatedText(primary, random, present);
                if (present)
                    insertTranslation.execute(++translationId, id, language, text);
            }
        }
        transaction.commit();
    }
    // The transaction holds the connection's lock; the checkpoint takes it too.
    connection.walCheckpointFull();
}

double checkMilliseconds(const QString &path, std::size_t &findings)
{
    ProjectDatabase database { path };
    CheckDataReader reader(database.database());
    QStringList languages;
    for (const char *language : checkedLanguages)
        languages.append(QString::fromLatin1(language));
    QElapsedTimer timer;
    timer.start();
    const CheckReport report = TranslationChecker(reader).check("en", languages, std::nullopt);
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    findings = report.findings.size();
    return elapsed;
}

double shellMilliseconds(const QString &shell, const QString &path)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(shell,
                  { path,
                    "SELECT translatables.id, translationTextId, language, translation FROM "
                    "translatables JOIN translations ON translations.translatableId = "
                    "translatables.id" });
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 failed: %s\n", process.readAllStandardError().constData());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty()) {
        std::fprintf(stderr, "the sqlite3 shell (Debian package sqlite3) is missing\n");
        return 1;
    }
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("translations.db"));
    std::printf("creating %d IDs x %zu languages plus the primary language...\n",
                idCount,
                std::size(checkedLanguages));
    std::fflush(stdout);
    createDatabase(path);

    // The best of a few runs each, alternating, so that both see a warm cache.
    double check = 1e300;
    double select = 1e300;
    std::size_t findings = 0;
    for (int run = 0; run < repetitions; ++run) {
        select = std::min(select, shellMilliseconds(shell, path));
        check = std::min(check, checkMilliseconds(path, findings));
    }
    if (select <= 0)
        return 1;
    std::printf("check of %d IDs x %zu languages: %.0f ms (%zu findings)\n",
                idCount,
                std::size(checkedLanguages),
                check,
                findings);
    std::printf("sqlite3 shell SELECT of the same rows: %.0f ms\n", select);
    std::printf("ratio check / SELECT: %.2f (target <= 3)\n", check / select);
    char measured[64], peer[64];
    Lexora::Bench::printResult("bench_checks",
                               "check 100,000 IDs x 10 languages",
                               Lexora::Bench::format(measured, "%.0f ms", check),
                               Lexora::Bench::format(peer, "sqlite3 SELECT %.0f ms", select),
                               check / select,
                               3,
                               "x");
    return check / select <= 3 ? 0 : 1;
}
