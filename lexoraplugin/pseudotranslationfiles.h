#pragma once

#include <QString>
#include <QStringList>

namespace Lexora {

class DatabaseIoInterface;
class UserFeedbackInterface;

// Writes the .qm files of the pseudo locales from the texts of the project's
// primary language, outside the project: its i18n folder and its languages stay
// those of the translators. Each locale gets a folder of its own,
// `directory`/<code>/i18n, holding the file under the name the preview looks
// for (PseudoLocale::previewFileName).
class PseudoTranslationFiles
{
public:
    // Returns false when anything was reported through `feedback`.
    static bool write(DatabaseIoInterface *database,
                      UserFeedbackInterface *feedback,
                      const QString &primaryLanguage,
                      const QStringList &codes,
                      int expansionPercent,
                      const QString &directory);
};

} // namespace Lexora
