#pragma once

#include "checkreport.h"

#include <QStringList>

#include <optional>

namespace Lexora {

class CheckDataReader;

// Runs the quality checks over the translation database: every checked ID in
// every given language against the primary language's text, plus the elided
// texts a live translation test recorded.
class TranslationChecker
{
public:
    explicit TranslationChecker(CheckDataReader &reader);

    // `translationIds`: the IDs to check (the IDs the project's QML files use);
    // no value checks every ID of the database. IDs unknown to the database
    // are missing in every language. The primary language is skipped when
    // `languages` names it. Findings come sorted by language (in the given
    // order, findings of no single language last), check and ID. Raises the
    // SQLite wrapper's exceptions.
    CheckReport check(const QString &primaryLanguage,
                      const QStringList &languages,
                      const std::optional<QStringList> &translationIds);

    // The check names an `lexora-ignore` value lists: separated by commas,
    // semicolons or white space; "*" silences every check.
    static QStringList parseIgnoreList(QStringView value);
    // Every check name in report order.
    static QStringList checkNames();

private:
    CheckDataReader &m_reader;
};

} // namespace Lexora
