#pragma once

#include "databaseio/databaseiointerface.h"

#include <sqlite/sqliteexception.h>

#include <span>
#include <string>

// A database whose search fails as a broken disk would: with SQLite's own
// error, not a query error. Everything else finds nothing.
class FailingSearchDatabase final : public Lexora::DatabaseIoInterface
{
public:
    FailingSearchDatabase(std::string message, int code)
        : m_message(std::move(message)), m_code(code)
    { }

    Lexora::SearchRows searchTranslations(std::string_view) override
    {
        throw Host::Sqlite::Exception(m_message, m_code);
    }

    void syncTranslatables(const Lexora::TranslatableEntries &) override { }
    void storeAsLocalEdits(const Lexora::TranslatableEntries &) override { }
    Lexora::TranslatableEntries fetchAllTranslatableEntries() override { return {}; }
    Lexora::TranslatableEntries
    fetchFullTranslatableEntries(const Lexora::TranslationIds &) override
    {
        return {};
    }
    Lexora::TranslatableEntries fetchTranslatableEntries(const Lexora::TranslationIds &) override
    {
        return {};
    }
    Lexora::TranslationRows fetchTranslationRows(const Lexora::TranslationIds &,
                                                 std::string_view,
                                                 std::string_view) override
    {
        return {};
    }
    std::int64_t addTranslatable(std::string_view) override { return -1; }
    void
    setTranslatableMetaData(std::int64_t, std::string_view, const Lexora::DatabaseValue &) override
    { }
    void removeTranslatableMetaData(std::int64_t, std::string_view) override { }
    std::int64_t updateTranslation(std::int64_t, std::string_view, std::string_view) override
    {
        return -1;
    }
    void removeTranslation(std::int64_t, std::string_view) override { }
    void removeTranslatable(std::int64_t) override { }
    std::int64_t translatableId(std::string_view) override { return -1; }
    std::optional<std::string> fetchTranslation(std::int64_t, std::string_view) override
    {
        return {};
    }
    void storeScreenMetaData(std::string_view) override { }
    Lexora::TextElides fetchTextElides(std::string_view) override { return {}; }
    std::vector<std::int64_t> translatableIds(const Lexora::TranslationIds &) override
    {
        return {};
    }
    std::vector<std::optional<std::string>> fetchTranslations(std::span<const std::int64_t>,
                                                              std::string_view) override
    {
        return {};
    }
    std::int64_t
    updatePluralForms(std::int64_t, std::string_view, const std::vector<std::string> &) override
    {
        return -1;
    }
    std::vector<std::vector<std::string>> fetchPluralForms(std::span<const std::int64_t>,
                                                           std::string_view) override
    {
        return {};
    }

private:
    std::string m_message;
    int m_code;
};
