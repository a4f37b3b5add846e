#pragma once

#include "databaseio/databaserecords.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace Lexora {

// What the files held besides the translations that were taken.
struct LinguistImportCounts
{
    int messages = 0;
    int taken = 0;
    int unfinished = 0; // left out unless unfinished ones are taken
    int untranslated = 0; // an empty translation tells nothing
    int vanished = 0; // vanished or obsolete: no longer in the sources
    int withoutId = 0; // source-based messages: nothing to look them up by
    int plural = 0; // numerus messages taken
};

// Turns Qt Linguist files into translations for the database: the finished
// translations of ID-based messages (unfinished ones too on request), in the
// language the file names, mapped onto the project's language codes. A
// later file wins where two give the same ID and language.
class LinguistImport
{
public:
    explicit LinguistImport(const QStringList &projectLanguages, bool takeUnfinished = false);

    // Reads one file and returns the language code its translations were taken
    // under. Raises CannotReadLinguistFile ("line N: reason") when the file
    // cannot be opened or is not a well-formed TS file; nothing of it is kept.
    QString addFile(const QString &filePath);

    const TranslatableEntries &entries() const { return m_entries; }
    const LinguistImportCounts &counts() const { return m_counts; }
    // Remarks on the language mapping, one per file that needed one.
    const QStringList &notes() const { return m_notes; }

    static bool isLinguistFile(const QString &filePath);

private:
    QString projectLanguage(const QString &fileLanguage, const QString &filePath);

    QStringList m_projectLanguages;
    bool m_takeUnfinished;
    TranslatableEntries m_entries;
    QHash<QString, std::size_t> m_entryIndex;
    LinguistImportCounts m_counts;
    QStringList m_notes;
};

} // namespace Lexora
