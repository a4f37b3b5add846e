#pragma once

#include "fuzzsupport.h"

#include <databaseio/projectdatabase.h>

#include <sqlite/sqliteexception.h>
#include <sqlite/sqlitesessions.h>

#include <sqlite3.h>

#include <memory>
#include <string>

// A translation database as the plugin creates it, with a few translations,
// local edits and screen metadata, for the targets that run the plugin's
// statements against fuzzed values or files.
namespace Lexora::Fuzz {

inline TranslatableEntries sampleEntries()
{
    TranslatableEntries entries;
    const char *const ids[] = { "main.title", "main.ok", "settings.language", "settings.empty" };
    const char *const texts[][2] = { { "Hauptfenster", "Fenêtre principale" },
                                     { "OK", "D'accord" },
                                     { "Sprache wählen", "Choisir la langue" },
                                     { "", "" } };
    for (std::size_t index = 0; index < std::size(ids); ++index) {
        TranslatableEntry &entry = entries.emplace_back();
        entry.translationTextId = ids[index];
        entry.translations.push_back({ "de", texts[index][0], {}, 0 });
        entry.translations.push_back({ "fr", texts[index][1], {}, 0 });
    }
    return entries;
}

inline const char *sampleScreenMetaData()
{
    return R"([{"translationId":"main.title","componentPath":"Main.qml","state":"",)"
           R"("sceneId":1,"metaData":[{"Exceeds":true,"x":10,"y":20,"width":80,"height":12}]},)"
           R"({"translationId":"main.ok","componentPath":"Main.qml","state":"busy",)"
           R"("sceneId":2,"metaData":[{"Exceeds":false,"x":0,"y":0,"width":40,"height":12}]}])";
}

// Fills a database at `path` (which must not exist) with the sample content:
// an import, local edits recorded as change sets, screen metadata.
inline void fillSampleDatabase(const QString &path, int pageSize = 0)
{
    if (pageSize > 0) {
        // Small pages keep seed files small, so that mutations reach every page.
        // The page size is set before the first table exists.
        sqlite3 *handle = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &handle);
        const std::string sql = "PRAGMA page_size=" + std::to_string(pageSize)
            + "; CREATE TABLE pageSize(a); DROP TABLE pageSize";
        sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(handle);
    }
    ProjectDatabase database(path);
    DatabaseIo &io = database.databaseIo();
    io.syncTranslatables(sampleEntries());
    const std::int64_t title = io.translatableId("main.title");
    io.updateTranslation(title, "de", "Hauptfenster (lokal)");
    io.removeTranslation(io.translatableId("main.ok"), "fr");
    const std::int64_t added = io.addTranslatable("local.only");
    io.updateTranslation(added, "de", "Nur lokal");
    io.setTranslatableMetaData(title, "maxLength", DatabaseValue { 24 });
    io.storeScreenMetaData(sampleScreenMetaData());
}

// One database for the whole run, rolled back to its sample content between
// inputs where a target writes.
inline ProjectDatabase &sampleDatabase()
{
    static std::unique_ptr<ProjectDatabase> database = [] {
        const QString path = scratchDirectory() + QStringLiteral("/sample.db");
        QFile::remove(path);
        fillSampleDatabase(path);
        return std::make_unique<ProjectDatabase>(path);
    }();
    return *database;
}

// Touches every value read, so that reads of freed or garbage memory show.
inline std::size_t sizeOf(const TranslatableEntries &entries)
{
    std::size_t sum = 0;
    for (const TranslatableEntry &entry : entries) {
        sum += entry.translationTextId.size();
        for (const TranslationEntry &translation : entry.translations)
            sum += translation.language.size() + translation.translation.size();
        for (const MetaDataEntry &metaData : entry.metaData)
            sum += metaData.key.size();
    }
    return sum;
}

} // namespace Lexora::Fuzz
