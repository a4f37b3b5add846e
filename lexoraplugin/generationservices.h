#pragma once

#include <string>
#include <vector>

namespace Lexora {

class DatabaseIoInterface;
class FileServicesInterface;
class TranslationFileServicesInterface;
class UserFeedbackInterface;

// The services one generation run works with; none of them is owned. They must
// stay alive until the run has finished (GenerationRunner::waitForFinished()).
struct GenerationServices
{
    TranslationFileServicesInterface *translationFileServices = nullptr;
    DatabaseIoInterface *database = nullptr;
    FileServicesInterface *fileServices = nullptr;
    UserFeedbackInterface *feedback = nullptr;
};

// Choices a caller makes for a generation run.
struct GenerationOptions
{
    // Whether the files are still written when a QML file or a project folder
    // could not be read or parsed. The messages of such files are missing, so a
    // build pipeline keeps the previous files instead; the editor writes them
    // and shows the errors.
    bool writeAfterReadErrors = true;
    // When set, the pseudo locales among the languages (PseudoLocale) get the
    // texts of this language, transformed; nothing is asked of the database
    // for the pseudo locales themselves.
    std::string pseudoSourceLanguage;
    // How much longer pseudo texts are than their source, in percent.
    int pseudoExpansion = 40;
};

// Language codes as UTF-8, in the order the files are written.
using LanguageCodes = std::vector<std::string>;
// Formats of translation files ("qm", "ts"), also their file extensions.
using TranslationFormats = std::vector<std::string>;

} // namespace Lexora
