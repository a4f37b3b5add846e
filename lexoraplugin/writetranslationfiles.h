#pragma once

#include "generationservices.h"

#include <QString>

#include <string_view>

namespace Lexora {

// Writes one translation file per language, "qml_<code>.<format>" in the
// project's i18n directory, holding every ID the project's QML files use with
// its translation from the database (or the ID itself, unfinished, when there
// is none). `format` is "qm" or "ts".
//
// Never throws: failures (a database error, no open database or project, a file
// that could not be read or written) are reported through the feedback service
// and the progress entry is finished in every case. Returns true when nothing
// was reported as an error.
//
// Language codes other than letters, digits, '-' and '_' are reported and
// skipped, a code given twice is written once. IDs holding characters that XML
// cannot carry are reported and left out of every file.
bool writeTranslationFiles(const GenerationServices &services,
                           const LanguageCodes &requestedLanguages,
                           std::string_view format,
                           const GenerationOptions &options = {});
// The same for several formats in one run: the QML files are read and each
// language's translations are looked up once for all of them. The files of a
// language are written in the order of `formats`.
bool writeTranslationFiles(const GenerationServices &services,
                           const LanguageCodes &requestedLanguages,
                           const TranslationFormats &formats,
                           const GenerationOptions &options = {});

// Whether `code` can name a translation file: letters, digits, '-' and '_'.
bool isValidLanguageCode(std::string_view code);

// The ID (or a file name) with its control characters written as \xNN, for
// messages.
QString printableId(const QString &id);

} // namespace Lexora
