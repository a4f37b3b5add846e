// Measures the search of the Translations panel on 1,000,000 translations
// (100,000 IDs x 10 languages, three of them Chinese, Japanese and Korean with
// real texts from Qt's own catalogues) for substrings of those scripts, against
// a plain instr() scan of the same rows in the same run:
//  (d) p95 latency of findTranslations for substrings of 1 to 4 characters
//      taken from random rows, as the search panel asks for them (its 500
//      rows and one more that tells there are others); every 20th query is
//      also checked to find exactly the first of the rows instr() finds.

#include "benchresult.h"

#include <databaseio/projectdatabase.h>

#include <sqlite/sqlitereadstatement.h>
#include <sqlite/sqlitetransaction.h>
#include <sqlite/sqlitewritestatement.h>

#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

using namespace Lexora;

namespace {

const char *const latinLanguages[] = { "de", "en", "fr", "es", "it", "pt", "nl" };
const std::pair<const char *, const char *> unspacedCatalogues[]
    = { { "zh_CN", "qtbase_zh_CN" }, { "ja", "qtbase_ja" }, { "ko", "qtbase_ko" } };

QStringList qtTranslations(const QString &catalogue)
{
    QProcess process;
    process.start(
        QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lconvert",
        { "-i", "/usr/share/qt6/translations/" + catalogue + ".qm", "-of", "ts", "-o", "-" });
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QStringList texts;
    QXmlStreamReader reader(process.readAllStandardOutput());
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement
            && reader.name() == u"translation") {
            const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!text.trimmed().isEmpty())
                texts.append(text);
        }
    }
    return texts;
}

// The thread's processor time: on a machine shared with others the wall time
// of a query also counts the time it waited for a core.
double cpuMs()
{
    timespec time {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

std::string latinSentence(std::mt19937 &random)
{
    std::uniform_int_distribution<int> length(3, 11);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> words(3, 7);
    std::string text;
    for (int word = words(random); word > 0; --word) {
        if (!text.empty())
            text += ' ';
        for (int index = length(random); index > 0; --index)
            text += char(letter(random));
    }
    return text;
}

} // namespace

int main()
{
    QTemporaryDir directory;
    std::vector<QStringList> unspaced;
    for (const auto &[language, catalogue] : unspacedCatalogues) {
        unspaced.push_back(qtTranslations(catalogue));
        if (unspaced.back().isEmpty() || !directory.isValid()) {
            std::fprintf(
                stderr, "lconvert or /usr/share/qt6/translations/%s.qm is missing\n", catalogue);
            return 1;
        }
    }

    constexpr int idCount = 100000;
    const QString path = directory.filePath("search.db");
    ProjectDatabase database { path };
    Host::Sqlite::Database &connection = database.database();
    std::vector<std::string> unspacedRows;
    QElapsedTimer timer;
    timer.start();
    {
        Host::Sqlite::WriteStatement insertTranslatable {
            "INSERT INTO translatables(id, translationTextId) VALUES(?1, ?2)", connection
        };
        Host::Sqlite::WriteStatement insertTranslation {
            "INSERT INTO translations(id, translatableId, language, translation) VALUES(?1, ?2, "
            "?3, ?4)",
            connection
        };
        std::mt19937 random(7);
        Host::Sqlite::ImmediateTransaction transaction { connection };
        long long translationId = 0;
        for (long long id = 1; id <= idCount; ++id) {
            insertTranslatable.execute(
                id, "screen" + std::to_string(id / 50) + ".label" + std::to_string(id));
            for (const char *language : latinLanguages)
                insertTranslation.execute(++translationId, id, language, latinSentence(random));
            for (std::size_t index = 0; index < std::size(unspacedCatalogues); ++index) {
                const QStringList &texts = unspaced[index];
                // The catalogue's texts in turn; later rounds carry a number
                // of their own, as messages of another screen would.
                std::string text = texts[qsizetype(id % texts.size())].toStdString();
                if (id >= texts.size())
                    text += " " + std::to_string(id / texts.size());
                insertTranslation.execute(
                    ++translationId, id, unspacedCatalogues[index].first, text);
                if (id % 97 == 0)
                    unspacedRows.push_back(std::move(text));
            }
        }
        transaction.commit();
    }
    connection.walCheckpointFull();
    const double fillMs = double(timer.nsecsElapsed()) / 1e6;

    DatabaseIoInterface &io = database.databaseIo();
    Host::Sqlite::ReadStatement<1> instr(
        "SELECT count(*) FROM translations WHERE instr(translation, ?1)", connection);
    // Substring matches come in table order; the IDs of this database hold
    // no such substring.
    Host::Sqlite::ReadStatement<1> firstInstrRows(
        "SELECT translationTextId || '/' || language FROM translations JOIN translatables ON "
        "translatables.id = translations.translatableId WHERE instr(translation, ?1) ORDER BY "
        "translations.rowid LIMIT ?2",
        connection);
    constexpr std::size_t limit = 501;

    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> pickRow(0, unspacedRows.size() - 1);
    std::uniform_int_distribution<int> substringLength(1, 4);
    constexpr int queryCount = 200;
    constexpr int peerEvery = 20;
    std::vector<double> latencies, cpuLatencies, peerLatencies;
    std::size_t rows = 0;
    int mismatches = 0;
    int capped = 0;
    io.findTranslations("预热", limit);
    for (int query = 0; query < queryCount; ++query) {
        // A substring of the row's own script, not its number.
        const QList<uint> row = QString::fromStdString(unspacedRows[pickRow(random)]).toUcs4();
        std::vector<uint> letters;
        for (uint codePoint : row) {
            if (codePoint > 0x2e80 && QChar::isLetter(char32_t(codePoint)))
                letters.push_back(codePoint);
            else if (!letters.empty() && letters.size() < 4)
                letters.clear();
            else if (!letters.empty())
                break;
        }
        if (letters.empty()) {
            --query;
            continue;
        }
        std::uniform_int_distribution<std::size_t> start(0, letters.size() - 1);
        const std::size_t from = start(random);
        const std::size_t length
            = std::min<std::size_t>(std::size_t(substringLength(random)), letters.size() - from);
        const std::string substring
            = QString::fromUcs4(reinterpret_cast<const char32_t *>(letters.data() + from),
                                qsizetype(length))
                  .toStdString();

        const double cpuStart = cpuMs();
        timer.restart();
        const SearchRows foundRows = io.findTranslations(substring, limit).value();
        latencies.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpuLatencies.push_back(cpuMs() - cpuStart);
        const std::size_t found = foundRows.size();
        rows += found;
        capped += found == limit;
        if (query % peerEvery == 0) {
            timer.restart();
            const auto expected
                = std::size_t(instr.optionalValue<long long>(substring).value_or(0));
            peerLatencies.push_back(double(timer.nsecsElapsed()) / 1e6);
            std::vector<std::string> expectedIds
                = firstInstrRows.values<std::string>(limit, substring, std::int64_t(limit));
            std::vector<std::string> foundIds;
            for (const SearchRow &row : foundRows)
                foundIds.push_back(row.translationTextId + "/" + row.language);
            std::sort(foundIds.begin(), foundIds.end());
            std::sort(expectedIds.begin(), expectedIds.end());
            if (std::min(expected, limit) != found || foundIds != expectedIds) {
                ++mismatches;
                std::printf(
                    "  MISMATCH %s: %zu rows, instr() %zu\n", substring.c_str(), found, expected);
            }
        }
    }
    const double p95 = Bench::percentile(latencies, 0.95);
    const double peerMedian = Bench::percentile(peerLatencies, 0.5);
    std::printf("search: substrings of 1-4 characters in Chinese, Japanese and Korean on "
                "1,000,000 translations (filled in %.0f ms)\n",
                fillMs);
    std::printf("  instr() scan (peer, %zu queries):   median %8.2f ms\n",
                peerLatencies.size(),
                peerMedian);
    std::printf("  (d) findTranslations, %d queries: p50 %.2f ms, p95 %.2f ms (target p95 <= 50 "
                "ms), %.0f rows per query on average, %d capped at %zu, %d of %zu checked differ "
                "from instr()\n",
                queryCount,
                Bench::percentile(latencies, 0.5),
                p95,
                double(rows) / queryCount,
                capped,
                limit,
                mismatches,
                peerLatencies.size());
    std::printf("      processor time of the same queries: p50 %.2f ms, p95 %.2f ms\n",
                Bench::percentile(cpuLatencies, 0.5),
                Bench::percentile(cpuLatencies, 0.95));
    char measured[96], peer[64];
    Bench::printResult(
        "bench_search",
        "(d) CJK substring search p95 on 1,000,000 translations",
        Bench::format(measured, "p95 %.2f ms (%.3gx instr() median)", p95, p95 / peerMedian),
        Bench::format(peer, "instr() scan %.1f ms", peerMedian),
        p95,
        50,
        " ms");
    return mismatches == 0 ? 0 : 1;
}
