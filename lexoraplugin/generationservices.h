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

// Language codes as UTF-8, in the order the files are written.
using LanguageCodes = std::vector<std::string>;
// Formats of translation files ("qm", "ts"), also their file extensions.
using TranslationFormats = std::vector<std::string>;

} // namespace Lexora
