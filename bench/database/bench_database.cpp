// Measures the translation database against the practical limits of SQLite on
// the same machine, in the same run:
//  (a) syncTranslatables of 10,000 IDs x 10 languages into an empty database and
//  (b) the same call again, both relative to a plain prepared-statement bulk
//      insert of the same rows in one transaction;
//  (c) the latency of prefix searches on 1,000,000 translations.

#include "benchresult.h"

#include <databaseio/projectdatabase.h>

#include <sqlite/sqlitetransaction.h>
#include <sqlite/sqlitewritestatement.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace Lexora;

namespace {

const char *const languages[] = { "de", "en", "fr", "es", "it", "pt", "nl", "sv", "pl", "ja" };
constexpr int languageCount = 10;

class Vocabulary
{
public:
    explicit Vocabulary(std::size_t size)
    {
        std::mt19937 random(42);
        std::uniform_int_distribution<int> length(3, 11);
        std::uniform_int_distribution<int> letter('a', 'z');
        m_words.reserve(size);
        while (m_words.size() < size) {
            std::string word;
            for (int index = length(random); index > 0; --index)
                word += char(letter(random));
            m_words.push_back(std::move(word));
        }
    }

    std::string sentence(std::mt19937 &random) const
    {
        std::uniform_int_distribution<std::size_t> pick(0, m_words.size() - 1);
        std::uniform_int_distribution<int> length(3, 7);
        std::string text;
        for (int index = length(random); index > 0; --index) {
            if (!text.empty())
                text += ' ';
            text += m_words[pick(random)];
        }
        return text;
    }

    const std::string &word(std::size_t index) const { return m_words[index % m_words.size()]; }
    std::size_t size() const { return m_words.size(); }

private:
    std::vector<std::string> m_words;
};

TranslatableEntries makeEntries(int idCount, const Vocabulary &vocabulary)
{
    std::mt19937 random(7);
    TranslatableEntries entries;
    entries.reserve(std::size_t(idCount));
    for (int index = 0; index < idCount; ++index) {
        TranslatableEntry entry;
        entry.translationTextId
            = "screen" + std::to_string(index / 50) + ".label" + std::to_string(index);
        for (const char *language : languages) {
            TranslationEntry translation;
            translation.language = language;
            translation.translation = vocabulary.sentence(random);
            entry.translations.push_back(std::move(translation));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

// The peer: the same rows written with two prepared INSERTs in one transaction,
// into a database with the same schema and full-text triggers.
double bulkInsertMilliseconds(const QString &path, const TranslatableEntries &entries)
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

    QElapsedTimer timer;
    timer.start();
    {
        Host::Sqlite::ImmediateTransaction transaction { connection };
        long long translatableId = 0;
        long long translationId = 0;
        for (const TranslatableEntry &entry : entries) {
            insertTranslatable.execute(++translatableId, entry.translationTextId);
            for (const TranslationEntry &translation : entry.translations)
                insertTranslation.execute(
                    ++translationId, translatableId, translation.language, translation.translation);
        }
        transaction.commit();
    }
    connection.walCheckpointFull();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct SyncTimes
{
    double first;
    double second;
};

SyncTimes syncMilliseconds(const QString &path, const TranslatableEntries &entries)
{
    ProjectDatabase database { path };
    QElapsedTimer timer;
    timer.start();
    database.databaseIo().syncTranslatables(entries);
    const double first = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    database.databaseIo().syncTranslatables(entries);
    const double second = double(timer.nsecsElapsed()) / 1e6;
    return { first, second };
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    QTemporaryDir directory;
    if (!directory.isValid()) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }

    const Vocabulary vocabulary(20000);

    // (a) and (b)
    {
        const TranslatableEntries entries = makeEntries(10000, vocabulary);
        constexpr int rounds = 3;
        std::vector<double> bulk, first, second;
        for (int round = 0; round < rounds; ++round) {
            const QString suffix = QString::number(round);
            bulk.push_back(
                bulkInsertMilliseconds(directory.filePath("bulk" + suffix + ".db"), entries));
            SyncTimes times
                = syncMilliseconds(directory.filePath("sync" + suffix + ".db"), entries);
            first.push_back(times.first);
            second.push_back(times.second);
        }
        const double bulkMs = median(bulk);
        std::printf(
            "database: 10,000 IDs x 10 languages (100,000 translations), median of %d rounds\n",
            rounds);
        std::printf("  bulk insert (peer, one transaction):   %9.1f ms\n", bulkMs);
        std::printf(
            "  (a) syncTranslatables, empty database: %9.1f ms  ratio %.2fx (target <= 3x)\n",
            median(first),
            median(first) / bulkMs);
        std::printf(
            "  (b) syncTranslatables, same again:     %9.1f ms  ratio %.2fx (target <= 1x)\n",
            median(second),
            median(second) / bulkMs);
        char measured[64], peer[64];
        Bench::format(peer, "bulk insert %.1f ms", bulkMs);
        Bench::printResult("bench_database",
                           "(a) sync 100,000 translations, empty database",
                           Bench::format(measured, "%.1f ms", median(first)),
                           peer,
                           median(first) / bulkMs,
                           3,
                           "x");
        Bench::printResult("bench_database",
                           "(b) the same sync again",
                           Bench::format(measured, "%.1f ms", median(second)),
                           peer,
                           median(second) / bulkMs,
                           1,
                           "x");
    }

    // (c)
    {
        const TranslatableEntries entries = makeEntries(100000, vocabulary);
        const QString path = directory.filePath("search.db");
        QElapsedTimer timer;
        timer.start();
        const double fillMs = bulkInsertMilliseconds(path, entries);
        ProjectDatabase database { path };
        DatabaseIoInterface &io = database.databaseIo();

        std::mt19937 random(3);
        std::uniform_int_distribution<std::size_t> pickWord(0, vocabulary.size() - 1);
        std::uniform_int_distribution<int> prefixLength(3, 5);
        constexpr int queryCount = 300;
        std::vector<double> latencies;
        latencies.reserve(queryCount);
        std::size_t rows = 0;
        // Warm the page cache as a session would have.
        io.searchTranslations("warm*");
        for (int query = 0; query < queryCount; ++query) {
            const std::string &word = vocabulary.word(pickWord(random));
            const std::string prefix = word.substr(0, std::size_t(prefixLength(random))) + "*";
            timer.restart();
            rows += io.searchTranslations(prefix).size();
            latencies.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("database: searchTranslations prefix queries (3-5 characters + '*') on "
                    "1,000,000 translations (filled in %.0f ms)\n",
                    fillMs);
        std::printf("  (c) %d queries: p50 %.2f ms, p95 %.2f ms (target p95 <= 20 ms), %.0f rows "
                    "per query on average\n",
                    queryCount,
                    Bench::percentile(latencies, 0.50),
                    Bench::percentile(latencies, 0.95),
                    double(rows) / queryCount);
        char measured[64];
        Bench::printResult(
            "bench_database",
            "(c) prefix search p95 on 1,000,000 translations",
            Bench::format(measured, "p50 %.2f ms", Bench::percentile(latencies, 0.50)),
            "-",
            Bench::percentile(latencies, 0.95),
            20,
            " ms");
    }
    return 0;
}
