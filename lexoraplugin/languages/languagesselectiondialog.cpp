#include "languages/languagesselectiondialog.h"

#include "ui_languagesselectiondialog.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace Lexora {

LanguagesSelectionDialog::LanguagesSelectionDialog(const Languages &selectedLanguages,
                                                   const Language &primaryLanguage)
    : m_ui(std::make_unique<Ui::LanguagesSelectionDialog>())
{
    m_ui->setupUi(this);

    const Languages catalogue = allLanguages();

    // The right-hand list shows the catalogue's name for the primary language. A project
    // may name a primary language we offer no flag for; it stays primary as given rather
    // than being dropped behind the user's back.
    Language primary = primaryLanguage;
    const auto found = std::find(catalogue.begin(), catalogue.end(), primaryLanguage);
    if (found != catalogue.end())
        primary = *found;

    m_allLanguagesModel.setLanguages(catalogue);
    m_allLanguagesModel.setSelectedLanguages(selectedLanguages);
    m_allLanguagesModel.setPrimaryLanguage(primary);

    m_searchedLanguagesFilterModel.setSourceModel(&m_allLanguagesModel);
    m_ui->searchLineEdit->setClearButtonEnabled(true);
    m_ui->allLanguagesListView->setModel(&m_searchedLanguagesFilterModel);

    m_selectedLanguagesModel.setLanguages(selectedLanguages);
    m_selectedLanguagesModel.setPrimaryLanguage(primary);
    m_ui->selectedLanguagesListView->setModel(&m_selectedLanguagesModel);

    connect(m_ui->searchLineEdit,
            &QLineEdit::textChanged,
            &m_searchedLanguagesFilterModel,
            &SearchedLanguagesFilterModel::setTextFilter);
    connect(&m_allLanguagesModel,
            &AllLanguagesModel::selectedLanguagesChanged,
            &m_selectedLanguagesModel,
            &SelectedLanguagesModel::setLanguages);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

LanguagesSelectionDialog::~LanguagesSelectionDialog()
{
    // The views are children of the dialog and so outlive its member models; detach them
    // before the models go.
    m_ui->allLanguagesListView->setModel(nullptr);
    m_ui->selectedLanguagesListView->setModel(nullptr);
}

QStringList LanguagesSelectionDialog::getAllSupportedLanguageCodes()
{
    initializeFlagResources();

    QStringList codes;
    QDirIterator it(QStringLiteral(":/flags"), QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString code = it.fileInfo().baseName();
        if (code != QLatin1String("placeholder"))
            codes.append(code);
    }
    return codes;
}

Languages LanguagesSelectionDialog::supportedLanguages()
{
    Languages languages;
    const QStringList codes = getAllSupportedLanguageCodes();
    languages.reserve(static_cast<std::size_t>(codes.size()));
    for (const QString &code : codes) {
        const QLocale locale(code);
        QString name = QLocale::languageToString(locale.language());
        if (name == QLatin1String("C"))
            continue;
        const QString nativeName = locale.nativeLanguageName().simplified();
        if (!nativeName.isEmpty() && nativeName != name)
            name += QLatin1String(" - ") + locale.nativeLanguageName();
        languages.emplace_back(locale.bcp47Name().toStdString(), name.toStdString());
    }
    return languages;
}

namespace {

QString nameWithNative(const QString &name, const QString &nativeName)
{
    const QString simplified = nativeName.simplified();
    if (simplified.isEmpty() || simplified == name)
        return name;
    return name + QLatin1String(" - ") + simplified;
}

// The parts a code names explicitly: "pt-PT" and "pt_PT" name a variant, "pt" the
// language alone, although QLocale fills in a country for it.
QString explicitKey(const QString &code)
{
    const QLocale locale(code);
    const QString language = QLocale::languageToCode(locale.language());
    if (!code.contains(u'-') && !code.contains(u'_'))
        return language;
    return language + u'_' + QLocale::territoryToCode(locale.territory());
}

} // namespace

Languages LanguagesSelectionDialog::allLanguages()
{
    Languages languages = supportedLanguages();
    QSet<QString> listed;
    for (const Language &language : languages)
        listed.insert(explicitKey(language.codeString()));

    const QList<QLocale> locales
        = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    // Countries that write one language in several scripts need the script in the code.
    QHash<QString, int> scriptsPerVariant;
    for (const QLocale &locale : locales) {
        ++scriptsPerVariant[QLocale::languageToCode(locale.language()) + u'_'
                            + QLocale::territoryToCode(locale.territory())];
    }

    for (const QLocale &locale : locales) {
        if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
            continue;
        const QString languageCode = QLocale::languageToCode(locale.language());
        const QString languageName = QLocale::languageToString(locale.language());
        if (!listed.contains(languageCode)) {
            listed.insert(languageCode);
            const QLocale languageLocale(locale.language());
            languages.emplace_back(
                languageCode.toStdString(),
                nameWithNative(languageName, languageLocale.nativeLanguageName()).toStdString());
        }

        const QLocale::Territory territory = locale.territory();
        if (territory == QLocale::AnyTerritory || territory == QLocale::World)
            continue;
        const QString territoryCode = QLocale::territoryToCode(territory);
        const bool withScript = scriptsPerVariant.value(languageCode + u'_' + territoryCode) > 1;
        const QString code = withScript
            ? languageCode + u'_' + QLocale::scriptToCode(locale.script()) + u'_' + territoryCode
            : languageCode + u'_' + territoryCode;
        if (listed.contains(withScript ? code : explicitKey(code)))
            continue;
        listed.insert(withScript ? code : explicitKey(code));

        const QString english = languageName + QLatin1String(" (")
            + (withScript ? QLocale::scriptToString(locale.script()) + QLatin1String(", ")
                          : QString())
            + QLocale::territoryToString(territory) + u')';
        QString native = locale.nativeLanguageName().simplified();
        if (!native.isEmpty() && !locale.nativeTerritoryName().isEmpty())
            native += QLatin1String(" (") + locale.nativeTerritoryName() + u')';
        languages.emplace_back(code.toStdString(), nameWithNative(english, native).toStdString());
    }
    return languages;
}

Languages LanguagesSelectionDialog::selectedLanguages() const
{
    return m_allLanguagesModel.selectedLanguages();
}

QStringList LanguagesSelectionDialog::selectedLanguageCodes() const
{
    QStringList codes;
    for (const Language &language : m_allLanguagesModel.selectedLanguages())
        codes.append(language.codeString());
    return codes;
}

Language LanguagesSelectionDialog::primaryLanguage() const
{
    return m_selectedLanguagesModel.primaryLanguage();
}

QString LanguagesSelectionDialog::primaryLanguageCode() const
{
    return primaryLanguage().codeString();
}

} // namespace Lexora
