#pragma once

#include "databaseiointerface.h"
#include "translationsearch.h"

#include <sqlite/sqlitereadstatement.h>
#include <sqlite/sqlitereadwritestatement.h>
#include <sqlite/sqlitewritestatement.h>

#include <functional>

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

// What a synchronisation changed, counted by translation ID and language, after
// the recorded local edits were applied again.
struct SyncSummary
{
    std::int64_t idsAdded = 0;
    std::int64_t idsChanged = 0;
    std::int64_t idsRemoved = 0;
    std::int64_t translationsAdded = 0;
    std::int64_t translationsChanged = 0;
    std::int64_t translationsRemoved = 0;
    std::int64_t localEditsReapplied = 0;

    friend bool operator==(const SyncSummary &, const SyncSummary &) = default;
};

// The translation database on one SQLite connection. Every statement is
// prepared in the constructor, so a database whose tables do not match fails
// right there; each operation then runs in a transaction of its own.
class DatabaseIo final : public DatabaseIoInterface
{
public:
    explicit DatabaseIo(Host::Sqlite::Database &database);
    ~DatabaseIo() override;

    void syncTranslatables(const TranslatableEntries &entries) override;

    enum class SyncMode { Commit, DryRun };
    // Called with the number of entries written so far.
    using SyncProgress = std::function<void(std::size_t)>;
    // syncTranslatables() that also counts what it changed. A dry run does all
    // of it in a transaction that is rolled back, so the database stays as it
    // was and the summary tells what a real run would do.
    SyncSummary synchronize(const TranslatableEntries &entries,
                            SyncMode mode,
                            const SyncProgress &progress = {});
    void storeAsLocalEdits(const TranslatableEntries &entries) override;
    // storeAsLocalEdits() that counts what it changed; a dry run is rolled back.
    SyncSummary storeAsLocalEdits(const TranslatableEntries &entries,
                                  SyncMode mode,
                                  const SyncProgress &progress = {});
    TranslatableEntries fetchAllTranslatableEntries() override;
    TranslatableEntries fetchFullTranslatableEntries(const TranslationIds &translationIds) override;
    TranslatableEntries fetchTranslatableEntries(const TranslationIds &translationIds) override;
    TranslationRows fetchTranslationRows(const TranslationIds &translationIds,
                                         std::string_view primaryLanguage,
                                         std::string_view currentLanguage) override;
    std::int64_t addTranslatable(std::string_view translationId) override;
    void setTranslatableMetaData(std::int64_t translatableId,
                                 std::string_view key,
                                 const DatabaseValue &value) override;
    void removeTranslatableMetaData(std::int64_t translatableId, std::string_view key) override;
    std::int64_t updateTranslation(std::int64_t translatableId,
                                   std::string_view language,
                                   std::string_view translation) override;
    void removeTranslation(std::int64_t translatableId, std::string_view language) override;
    void removeTranslatable(std::int64_t translatableId) override;
    std::int64_t translatableId(std::string_view translationId) override;
    std::optional<std::string> fetchTranslation(std::int64_t translatableId,
                                                std::string_view language) override;
    SearchRows searchTranslations(std::string_view query) override;
    std::optional<SearchRows> findTranslations(std::string_view text, std::size_t limit) override;
    void storeScreenMetaData(std::string_view json) override;
    TextElides fetchTextElides(std::string_view componentPath) override;
    std::int64_t dataVersion() override;
    TranslationFindingsList fetchTranslationFindings() override;
    TranslationCoverage translationCoverage() override;
    std::vector<std::int64_t> translatableIds(const TranslationIds &translationIds) override;
    std::vector<std::optional<std::string>>
    fetchTranslations(std::span<const std::int64_t> translatableIds,
                      std::string_view language) override;
    std::int64_t updatePluralForms(std::int64_t translatableId,
                                   std::string_view language,
                                   const std::vector<std::string> &forms) override;
    std::vector<std::vector<std::string>>
    fetchPluralForms(std::span<const std::int64_t> translatableIds,
                     std::string_view language) override;

private:
    template<int ResultCount> using ReadStatement = Host::Sqlite::ReadStatement<ResultCount>;
    template<int ResultCount>
    using ReadWriteStatement = Host::Sqlite::ReadWriteStatement<ResultCount>;
    using WriteStatement = Host::Sqlite::WriteStatement;

    void sync(const TranslatableEntries &entries,
              SyncMode mode,
              const SyncProgress &progress,
              SyncSummary *summary);
    TranslatableEntries selectTranslatableEntries(const TranslationIds &translationIds);
    // The rows an import writes; lastId is the highest row id given so far.
    std::int64_t storeTranslatable(const std::string &translationTextId, std::int64_t &lastId);
    std::int64_t storeTranslation(std::int64_t translatableId,
                                  const TranslationEntry &translation,
                                  std::int64_t &lastId);
    void completeEntries(TranslatableEntries &entries);
    ScreenMetaDataEntries selectScreenMetaData(std::int64_t translatableId);
    void setChangeStates(TranslatableEntries &entries);
    void storePluralForms(std::int64_t translationId, std::span<const std::string> furtherForms);

    Host::Sqlite::Database &m_database;
    ReadStatement<2> m_selectAllTranslatables;
    ReadWriteStatement<1> m_insertTranslatableReturningId;
    WriteStatement m_deleteTranslationMetaData;
    WriteStatement m_deleteTranslationMetaDataKey;
    ReadWriteStatement<1> m_upsertTranslationMetaData;
    ReadStatement<2> m_selectTranslatable;
    ReadStatement<4> m_selectTranslationRow;
    ReadStatement<3> m_selectTranslations;
    ReadWriteStatement<1> m_upsertTranslation;
    ReadStatement<1> m_selectTranslatableId;
    ReadStatement<2> m_selectTranslationMetaData;
    ReadStatement<1> m_selectTranslationIdByTranslationTextId;
    ReadStatement<1> m_selectTranslationId;
    WriteStatement m_deleteTranslatableMetaData;
    WriteStatement m_deleteTranslatableMetaDataKey;
    ReadWriteStatement<1> m_upsertTranslatableMetaData;
    ReadStatement<2> m_selectTranslatableMetaData;
    WriteStatement m_deleteTranslatablesNotKept;
    WriteStatement m_deleteTranslatableMetaDataNotKept;
    WriteStatement m_deleteTranslationMetaDataNotKept;
    WriteStatement m_deleteTranslationsNotKept;
    WriteStatement m_insertTranslatable;
    WriteStatement m_deleteTranslation;
    WriteStatement m_deleteTranslatable;
    ReadStatement<1> m_selectMaximumTranslatableId;
    ReadStatement<1> m_selectMaximumTranslationId;
    ReadStatement<4> m_selectAllTranslationRows;
    ReadStatement<1> m_selectTranslation;
    ReadStatement<6> m_selectScreenMetaData;
    WriteStatement m_upsertScreenMetaData;
    ReadStatement<4> m_searchTranslations;
    ReadStatement<2> m_selectTranslationIdAndText;
    ReadStatement<2> m_selectTranslatableMetaDataValue;
    ReadStatement<2> m_selectTranslationMetaDataValue;
    WriteStatement m_deleteScreenMetaData;
    ReadStatement<3> m_selectTextElides;
    ReadStatement<2> m_selectLanguageTranslations;
    ReadStatement<1> m_selectPluralForms;
    WriteStatement m_upsertPluralForm;
    WriteStatement m_deletePluralFormsFrom;
    ReadStatement<3> m_selectLanguagePluralForms;
    ReadStatement<1> m_selectTranslatableIdOfTranslation;
    ReadStatement<1> m_selectDataVersion;
    ReadStatement<4> m_selectTestFindings;
    ReadStatement<2> m_selectIgnoredChecks;
    ReadStatement<1> m_selectTranslatableCount;
    ReadStatement<2> m_selectTranslatedCounts;
    TranslationSearch m_translationSearch;
};

} // namespace Lexora
