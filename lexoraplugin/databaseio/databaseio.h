#pragma once

#include "databaseiointerface.h"

#include <sqlite/sqlitereadstatement.h>
#include <sqlite/sqlitereadwritestatement.h>
#include <sqlite/sqlitewritestatement.h>

namespace Host::Sqlite {
class Database;
}

namespace Lexora {

// The translation database on one SQLite connection. Every statement is
// prepared in the constructor, so a database whose tables do not match fails
// right there; each operation then runs in a transaction of its own.
class DatabaseIo final : public DatabaseIoInterface
{
public:
    explicit DatabaseIo(Host::Sqlite::Database &database);
    ~DatabaseIo() override;

    void syncTranslatables(const TranslatableEntries &entries) override;
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
    void storeScreenMetaData(std::string_view json) override;
    TextElides fetchTextElides(std::string_view componentPath) override;
    std::vector<std::int64_t> translatableIds(const TranslationIds &translationIds) override;
    std::vector<std::optional<std::string>>
    fetchTranslations(std::span<const std::int64_t> translatableIds,
                      std::string_view language) override;

private:
    template<int ResultCount> using ReadStatement = Host::Sqlite::ReadStatement<ResultCount>;
    template<int ResultCount>
    using ReadWriteStatement = Host::Sqlite::ReadWriteStatement<ResultCount>;
    using WriteStatement = Host::Sqlite::WriteStatement;

    TranslatableEntries selectTranslatableEntries(const TranslationIds &translationIds);
    void completeEntries(TranslatableEntries &entries);
    ScreenMetaDataEntries selectScreenMetaData(std::int64_t translatableId);
    void setChangeStates(TranslatableEntries &entries);

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
};

} // namespace Lexora
