#pragma once

#include "databaseio/databaseiointerface.h"

#include <QString>

namespace Lexora {

class ImportExportInterface;

// What the translations view and its models reach the translation data
// through: the JSON service and the open project's database, which is null
// while no project database is open. Every composed operation does nothing (or
// returns nothing) while it is null.
class DatabaseAccess
{
public:
    explicit DatabaseAccess(ImportExportInterface *importExport,
                            DatabaseIoInterface *databaseIo = nullptr)
        : m_importExport(importExport), m_databaseIo(databaseIo)
    { }

    ImportExportInterface *importExport() const { return m_importExport; }
    DatabaseIoInterface *databaseIo() const { return m_databaseIo; }
    void setDatabaseIo(DatabaseIoInterface *databaseIo) { m_databaseIo = databaseIo; }
    bool hasDatabase() const { return m_databaseIo != nullptr; }
    // Why the project's database is not open (empty when it is, or when there
    // is no project), for the panel to show.
    QString databaseProblem() const { return m_databaseProblem; }
    void setDatabaseProblem(const QString &problem) { m_databaseProblem = problem; }

    TranslatableEntries fetchTranslatableEntries(const TranslationIds &translationIds) const;
    SearchRows searchTranslations(std::string_view query) const;
    std::optional<SearchRows> findTranslations(std::string_view text, std::size_t limit) const;
    void storeScreenMetaData(std::string_view json) const;
    TextElides fetchTextElides(std::string_view componentPath) const;

    // Reads the JSON file and makes the database hold its entries, keeping
    // local edits. A file that cannot be read leaves the database untouched.
    void importAndSync(const QString &filePath) const;
    void exportAll(const QString &filePath, const QString &projectName) const;
    void exportEntries(const TranslationIds &translationIds,
                       const QString &filePath,
                       const QString &projectName) const;

private:
    ImportExportInterface *m_importExport;
    DatabaseIoInterface *m_databaseIo;
    QString m_databaseProblem;
};

} // namespace Lexora
