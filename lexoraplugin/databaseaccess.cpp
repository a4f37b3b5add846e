#include "databaseaccess.h"

#include "importexportinterface.h"

namespace Lexora {

TranslatableEntries
DatabaseAccess::fetchTranslatableEntries(const TranslationIds &translationIds) const
{
    if (!m_databaseIo)
        return {};
    return m_databaseIo->fetchTranslatableEntries(translationIds);
}

SearchRows DatabaseAccess::searchTranslations(std::string_view query) const
{
    if (!m_databaseIo)
        return {};
    return m_databaseIo->searchTranslations(query);
}

std::optional<SearchRows> DatabaseAccess::findTranslations(std::string_view text,
                                                           std::size_t limit) const
{
    if (!m_databaseIo)
        return SearchRows {};
    return m_databaseIo->findTranslations(text, limit);
}

void DatabaseAccess::storeScreenMetaData(std::string_view json) const
{
    if (m_databaseIo)
        m_databaseIo->storeScreenMetaData(json);
}

TextElides DatabaseAccess::fetchTextElides(std::string_view componentPath) const
{
    if (!m_databaseIo)
        return {};
    return m_databaseIo->fetchTextElides(componentPath);
}

void DatabaseAccess::importAndSync(const QString &filePath) const
{
    if (!m_databaseIo)
        return;
    const TranslatableEntries entries = m_importExport->importFile(filePath);
    m_databaseIo->syncTranslatables(entries);
}

void DatabaseAccess::exportAll(const QString &filePath, const QString &projectName) const
{
    if (!m_databaseIo)
        return;
    m_importExport->exportFile(filePath, m_databaseIo->fetchAllTranslatableEntries(), projectName);
}

void DatabaseAccess::exportEntries(const TranslationIds &translationIds,
                                   const QString &filePath,
                                   const QString &projectName) const
{
    if (!m_databaseIo)
        return;
    m_importExport->exportFile(
        filePath, m_databaseIo->fetchFullTranslatableEntries(translationIds), projectName);
}

} // namespace Lexora
