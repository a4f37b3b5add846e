// Database files from elsewhere: a project brings its own translations.db,
// which the plugin opens at once. Each input is a database file; the plugin
// opens it and runs its statements on it: fetch, search, sync and the reads of
// generation.
//
// The file, its write-ahead log and index live in memory (MemoryVfs): the
// plugin opens the input through its own path, WAL mode included, without
// writing, syncing and removing three files per input.
//
// With LEXORA_FUZZ_SEED_DIR set, writes sample database files as seeds and
// exits.

#include "fuzzdatabase.h"
#include "memoryvfs.h"

#include "exception.h"

using namespace Lexora;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!Fuzz::seedDirectory().isEmpty()) {
        const QString path = Fuzz::seedDirectory() + QStringLiteral("/sample-512.db");
        QFile::remove(path);
        Fuzz::fillSampleDatabase(path, 512);
        std::exit(0);
    }
    Fuzz::MemoryVfs::install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString path = QStringLiteral("/lexora-fuzz/input.db");
    static const std::string fileName = path.toStdString();
    static const TranslatableEntries entries = Fuzz::sampleEntries();
    Fuzz::MemoryVfs::clear();
    Fuzz::MemoryVfs::setFile(fileName,
                             std::string_view(reinterpret_cast<const char *>(data), size));
    try {
        ProjectDatabase database(path);
        DatabaseIo &io = database.databaseIo();
        std::size_t sum = Fuzz::sizeOf(io.fetchAllTranslatableEntries());
        sum += Fuzz::sizeOf(io.fetchFullTranslatableEntries({ "main.title", "local.only" }));
        for (const TranslationRow &row : io.fetchTranslationRows({ "main.title" }, "de", "fr"))
            sum += std::size_t(row.translationId.size() + row.currentTranslation.size());
        for (const SearchRow &row : io.searchTranslations("Haupt*"))
            sum += row.translation.size();
        for (const TextElide &elide : io.fetchTextElides("Main.qml"))
            sum += std::size_t(elide.line);
        const std::int64_t title = io.translatableId("main.title");
        sum += io.fetchTranslation(title, "de").value_or(std::string()).size();
        io.syncTranslatables(entries);
        io.updateTranslation(io.translatableId("main.title"), "fr", "Titre");
        // Lines and columns may be -1, so no value of the sum is impossible; a
        // volatile store keeps the reads.
        static volatile std::size_t kept = 0;
        kept = sum;
    } catch (const Host::Sqlite::Exception &) {
    } catch (const Lexora::Exception &) { }
    return 0;
}
