#include "languages/languagesselectiondialog.h"

#include "ui_languagesselectiondialog.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace Lexora {

LanguagesSelectionDialog::LanguagesSelectionDialog(const Languages &selectedLanguages,
                                                   const Language &primaryLanguage)
    : m_ui(std::make_unique<Ui::LanguagesSelectionDialog>())
{
    m_ui->setupUi(this);

    const Languages catalogue = supportedLanguages();

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
