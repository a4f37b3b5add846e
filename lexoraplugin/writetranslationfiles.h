#pragma once

#include "generationservices.h"

#include <string_view>

namespace Lexora {

// Writes one translation file per language, "qml_<code>.<format>" in the
// project's i18n directory, holding every ID the project's QML files use with
// its translation from the database (or the ID itself, unfinished, when there
// is none). `format` is "qm" or "ts".
//
// Never throws: failures (a database error, no open database or project, a file
// that could not be written) are reported through the feedback service and the
// progress entry is finished in every case. Returns true when every file was
// written.
bool writeTranslationFiles(const GenerationServices &services,
                           const LanguageCodes &languages,
                           std::string_view format);
// The same for several formats in one run: the QML files are read and each
// language's translations are looked up once for all of them. The files of a
// language are written in the order of `formats`.
bool writeTranslationFiles(const GenerationServices &services,
                           const LanguageCodes &languages,
                           const TranslationFormats &formats);

} // namespace Lexora
