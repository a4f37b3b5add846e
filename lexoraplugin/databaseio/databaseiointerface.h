#pragma once

#include "databaserecords.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Lexora {

using TranslationIds = std::vector<std::string>;

// The only way the plugin reads and writes the translation database. Every
// operation runs in one transaction of its own and holds the connection's lock
// for its duration, so it may be called from worker threads too. Failures
// raise the SQLite wrapper's exceptions (Host::Sqlite::Exception).
class DatabaseIoInterface
{
public:
    virtual ~DatabaseIoInterface() = default;

    // Makes the database hold exactly `entries` (ids, screen metadata and change
    // states of the entries are ignored), then re-applies the local edits.
    virtual void syncTranslatables(const TranslatableEntries &entries) = 0;
    // Adds the entries' IDs and translations that the database lacks and
    // changes the texts that differ, as one local edit that later syncs keep.
    // Nothing is removed; metadata of the entries is ignored.
    virtual void storeAsLocalEdits(const TranslatableEntries &entries) = 0;
    virtual TranslatableEntries fetchAllTranslatableEntries() = 0;
    virtual TranslatableEntries fetchFullTranslatableEntries(const TranslationIds &translationIds)
        = 0;
    virtual TranslatableEntries fetchTranslatableEntries(const TranslationIds &translationIds) = 0;
    virtual TranslationRows fetchTranslationRows(const TranslationIds &translationIds,
                                                 std::string_view primaryLanguage,
                                                 std::string_view currentLanguage)
        = 0;
    virtual std::int64_t addTranslatable(std::string_view translationId) = 0;
    virtual void setTranslatableMetaData(std::int64_t translatableId,
                                         std::string_view key,
                                         const DatabaseValue &value)
        = 0;
    virtual void removeTranslatableMetaData(std::int64_t translatableId, std::string_view key) = 0;
    virtual std::int64_t updateTranslation(std::int64_t translatableId,
                                           std::string_view language,
                                           std::string_view translation)
        = 0;
    virtual void removeTranslation(std::int64_t translatableId, std::string_view language) = 0;
    virtual void removeTranslatable(std::int64_t translatableId) = 0;
    // -1 when the ID is unknown.
    virtual std::int64_t translatableId(std::string_view translationId) = 0;
    // No value when the language has no translation; a stored empty text is a value.
    virtual std::optional<std::string> fetchTranslation(std::int64_t translatableId,
                                                        std::string_view language)
        = 0;
    // `query` is in FTS5 query syntax.
    virtual SearchRows searchTranslations(std::string_view query) = 0;
    // What a user typed into a search field, found as it was meant
    // (TranslationSearchQuery): the translations of the IDs holding the text
    // first, then those matching it; at most `limit` rows, so a result of
    // `limit` rows may leave others out. No value when the text cannot mean
    // anything. Without an implementation of its own, the text is the query.
    virtual std::optional<SearchRows> findTranslations(std::string_view text, std::size_t limit)
    {
        SearchRows rows = searchTranslations(text);
        if (rows.size() > limit)
            rows.resize(limit);
        return rows;
    }
    virtual void storeScreenMetaData(std::string_view json) = 0;
    virtual TextElides fetchTextElides(std::string_view componentPath) = 0;

    // The lookups of a translation-file generation, a whole list in one read
    // transaction: one transaction per item costs a lock and a snapshot check
    // on the file each time, which dominates a generation where system calls
    // are expensive. Both answer in the order of their input.
    //
    // The translatable id of each translation ID, -1 for an unknown one.
    virtual std::vector<std::int64_t> translatableIds(const TranslationIds &translationIds) = 0;
    // The translation of each translatable in `language`; no value where there
    // is none (a negative id finds nothing), a stored empty text is a value.
    virtual std::vector<std::optional<std::string>>
    fetchTranslations(std::span<const std::int64_t> translatableIds, std::string_view language) = 0;

    // Plural forms: form 0 of a translation is its ordinary text, the further
    // forms are stored beside it, so that a reader that knows nothing of
    // plurals still finds form 0.
    //
    // Stores `forms` as all forms of the translation in `language` in one
    // local edit (form 0 as its text; further forms replace the stored ones,
    // so fewer forms remove the rest). Empty `forms` stores an empty text.
    // Returns the translation's id.
    virtual std::int64_t updatePluralForms(std::int64_t translatableId,
                                           std::string_view language,
                                           const std::vector<std::string> &forms)
        = 0;
    // All forms of each translatable's translation in `language`, form 0
    // first; an empty list where there is no translation.
    virtual std::vector<std::vector<std::string>>
    fetchPluralForms(std::span<const std::int64_t> translatableIds, std::string_view language) = 0;

    // Changes whenever another connection (another program) has committed to
    // the database since the last call; 0 where that cannot be told.
    virtual std::int64_t dataVersion() { return 0; }
    // Counted in the database, not from fetched rows: a large project's
    // coverage costs one pass over the translations.
    virtual TranslationCoverage translationCoverage() { return {}; }

    // Every ID with stored test findings or silenced checks, sorted by ID.
    virtual TranslationFindingsList fetchTranslationFindings() { return {}; }

protected:
    DatabaseIoInterface() = default;
    DatabaseIoInterface(const DatabaseIoInterface &) = delete;
    DatabaseIoInterface &operator=(const DatabaseIoInterface &) = delete;
};

} // namespace Lexora
