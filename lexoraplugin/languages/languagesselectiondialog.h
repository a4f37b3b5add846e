#pragma once

#include "languages/alllanguagesmodel.h"
#include "languages/searchedlanguagesfiltermodel.h"
#include "languages/selectedlanguagesmodel.h"

#include <QDialog>
#include <QStringList>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class LanguagesSelectionDialog;
}
QT_END_NAMESPACE

namespace Lexora {

// Lets the user choose the project's languages (left: every supported language, with a
// search field) and its primary language (right: the chosen ones). Nothing is written
// anywhere: after an accepted exec() the caller reads the choice back.
class LanguagesSelectionDialog : public QDialog
{
    Q_OBJECT

public:
    LanguagesSelectionDialog(const Languages &selectedLanguages, const Language &primaryLanguage);
    ~LanguagesSelectionDialog() override;

    // The codes of the supported languages: the base names of the flag images under
    // ":/flags", in directory order.
    static QStringList getAllSupportedLanguageCodes();

    // The supported languages with their display names: the English name of the language,
    // followed by " - " and its native name where that differs. Codes that name no language
    // known to QLocale are left out. Unsorted.
    static Languages supportedLanguages();

    // What the dialog offers: the supported languages, then every other language and
    // every country variant that QLocale knows. A language alone has the code
    // QLocale::languageToCode gives; a variant "language_TERRITORY" (with the script
    // between the two where one country writes the language in several scripts), the
    // form QLocale reads back and Qt's translators look for. Named like the supported
    // languages, a variant with its country: "Portuguese (Brazil) - português
    // (Brasil)". A flag's language or variant is not listed twice. Unsorted.
    static Languages allLanguages();

    Languages selectedLanguages() const;
    QStringList selectedLanguageCodes() const;
    Language primaryLanguage() const;
    QString primaryLanguageCode() const;

private:
    std::unique_ptr<Ui::LanguagesSelectionDialog> m_ui;
    AllLanguagesModel m_allLanguagesModel;
    SearchedLanguagesFilterModel m_searchedLanguagesFilterModel;
    SelectedLanguagesModel m_selectedLanguagesModel;
};

} // namespace Lexora
