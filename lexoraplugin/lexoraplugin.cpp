#include "lexoraplugin.h"

#include "databaseio/projectdatabase.h"
#include "lexoraactions.h"
#include "lexoraconstants.h"
#include "lexorapluginprivate.h"
#include "translationsview/translationsview.h"

#include <designer/documentmodel.h>
#include <designer/viewmanager.h>
#include <projects/issuelist.h>
#include <projects/project.h>
#include <projects/session.h>
#include <sqlite/sqliteexception.h>

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>

namespace Lexora {

LexoraPluginPrivate *LexoraPlugin::d = nullptr;

namespace {

// Said in the Issues list and in the panel, never in a box: a project is
// opened at start-up, also by runs without anyone to close a box (offscreen,
// --screenshot), and a database from elsewhere must not stop the window.
QString databaseProblemText(const QString &path, const Host::Sqlite::Exception &error)
{
    QString text = QCoreApplication::translate(
                       "Lexora", "The translation database %1 could not be opened: %2")
                       .arg(QDir::toNativeSeparators(path), QString::fromUtf8(error.what()));
    if ((error.errorCode() & 0xff) == SQLITE_CORRUPT)
        text += QLatin1Char(' ')
            + QCoreApplication::translate("Lexora", "It can be that the database is corrupt.");
    return text;
}

TranslationIds toTranslationIds(const QStringList &ids)
{
    TranslationIds result;
    result.reserve(static_cast<std::size_t>(ids.size()));
    for (const QString &id : ids)
        result.push_back(id.toStdString());
    return result;
}

} // namespace

LexoraPlugin::LexoraPlugin() = default;

LexoraPlugin::~LexoraPlugin()
{
    // The library is being unloaded without a shutdown.
    delete std::exchange(d, nullptr);
}

bool LexoraPlugin::initialize(const QStringList & /*arguments*/, QString * /*errorString*/)
{
    auto privateData = std::make_unique<LexoraPluginPrivate>();

    Host::Projects::IssueList::instance()->addCategory(
        Constants::taskCategory,
        QCoreApplication::translate("Lexora", "Translation file generation"),
        true);

    // A view made by an earlier initialisation lives on in the designer: it
    // moves over to the new services before the old ones go.
    if (d && d->view) {
        privateData->view = d->view;
        privateData->view->setPseudoLanguagesWriter(
            [pseudoLanguages = &privateData->pseudoLanguages] {
                return pseudoLanguages->refresh();
            });
        privateData->view->setServices(privateData->databaseAccess,
                                       privateData->translationFileServices,
                                       privateData->fileServices,
                                       privateData->userFeedback,
                                       &privateData->generationRunner);
    }
    delete std::exchange(d, privateData.release());

    auto *session = Host::Projects::Session::instance();
    connect(session,
            &Host::Projects::Session::startupProjectChanged,
            this,
            &LexoraPlugin::openProjectDatabase,
            Qt::UniqueConnection);

    // A database that cannot be opened is reported, and the plugin still
    // starts: its panel says what is wrong, and the next project may be fine.
    if (Host::Projects::Project *project = session->startupProject())
        openDatabaseOf(project);
    if (d->view)
        d->view->reloadProjectLanguages();

    if (!m_actions)
        m_actions = std::make_unique<LexoraActions>([] { return d ? d->view.data() : nullptr; });
    updateDatabaseContext();
    return true;
}

void LexoraPlugin::updateDatabaseContext()
{
    if (m_actions)
        m_actions->setDatabaseOpen(d && d->databaseAccess.hasDatabase());
}

bool LexoraPlugin::delayedInitialize()
{
    // A view made by an earlier initialisation moved over to these services.
    if (!d || d->view)
        return true;
    auto view = std::make_unique<TranslationsView>(d->databaseAccess,
                                                   d->translationFileServices,
                                                   d->fileServices,
                                                   d->userFeedback,
                                                   &d->generationRunner);
    view->setPseudoLanguagesWriter(
        [pseudoLanguages = &d->pseudoLanguages] { return pseudoLanguages->refresh(); });
    d->view = view.get();
    Host::Designer::ViewManager::instance()->registerView(std::move(view));
    return true;
}

Host::Plugins::Plugin::ShutdownMode LexoraPlugin::aboutToShutdown()
{
    disconnect(Host::Projects::Session::instance(), nullptr, this, nullptr);
    m_actions.reset();
    // The view uses the services destroyed here: it goes first, or the
    // designer would attach it to the next document it shows.
    if (d && d->view)
        Host::Designer::ViewManager::instance()->unregisterView(d->view);
    delete std::exchange(d, nullptr);
    return ShutdownMode::Synchronous;
}

void LexoraPlugin::openProjectDatabase(Host::Projects::Project *project)
{
    if (!d)
        return;

    // A database that fails to open leaves none open: edits must never land
    // in the previous project's file.
    if (!project) {
        d->setProjectDatabase({});
        d->databaseAccess.setDatabaseProblem({});
    } else {
        openDatabaseOf(project);
    }
    updateDatabaseContext();
    if (d->view)
        d->view->projectChanged();
}

bool LexoraPlugin::openDatabaseOf(Host::Projects::Project *project)
{
    // The new database is complete before the old one goes.
    const QString path = project->projectDirectory()
                             .pathAppended(QLatin1String(Constants::databaseFileName))
                             .toString();
    try {
        d->setProjectDatabase(std::make_unique<ProjectDatabase>(path));
    } catch (const Host::Sqlite::Exception &error) {
        // The previous project's database must not take this project's edits.
        d->setProjectDatabase({});
        const QString problem = databaseProblemText(path, error);
        d->databaseAccess.setDatabaseProblem(problem);
        qCritical().noquote() << problem;
        d->userFeedback.addError(problem);
        if (d->view)
            d->view->reloadProjectLanguages();
        return false;
    }
    d->databaseAccess.setDatabaseProblem({});
    d->pseudoLanguages.setProject(project, d->databaseAccess.databaseIo(), &d->userFeedback);
    return true;
}

TranslatableEntries LexoraPlugin::fetchTranslatableEntries(const TranslationIds &translationIds)
{
    if (!d)
        return {};
    return d->databaseAccess.fetchTranslatableEntries(translationIds);
}

bool LexoraPlugin::hasProjectDatabase() const
{
    return d && d->databaseAccess.hasDatabase();
}

QStringList LexoraPlugin::knownTranslationIds(const QStringList &translationIds) const
{
    QStringList known;
    // An exception must not cross the meta-call into the caller's event loop.
    try {
        for (const TranslatableEntry &entry :
             fetchTranslatableEntries(toTranslationIds(translationIds)))
            known.append(QString::fromStdString(entry.translationTextId));
    } catch (const Host::Sqlite::Exception &error) {
        qWarning().noquote() << "Cannot read the translation database:" << error.what();
    }
    return known;
}

QVariantMap LexoraPlugin::translations(const QStringList &translationIds) const
{
    QVariantMap result;
    if (!hasProjectDatabase())
        return result;

    TranslatableEntries entries;
    try {
        entries = d->databaseAccess.databaseIo()->fetchFullTranslatableEntries(
            toTranslationIds(translationIds));
    } catch (const Host::Sqlite::Exception &error) {
        qWarning().noquote() << "Cannot read the translation database:" << error.what();
        return result;
    }
    for (const TranslatableEntry &entry : entries) {
        QVariantMap texts;
        for (const TranslationEntry &translation : entry.translations)
            texts.insert(QString::fromStdString(translation.language),
                         QString::fromStdString(translation.translation));
        result.insert(QString::fromStdString(entry.translationTextId), texts);
    }
    return result;
}

} // namespace Lexora

namespace Lexora {

bool LexoraPlugin::generateTranslationFiles(const QStringList &languages, const QString &format)
{
    if (!d)
        return false;

    LanguageCodes codes = toTranslationIds(languages);
    if (format == QLatin1String("all"))
        return d->generationRunner.generateAllTranslationFiles(std::move(codes));
    if (format == QLatin1String("qm") || format == QLatin1String("ts"))
        return d->generationRunner.generateTranslationFiles(std::move(codes), format.toStdString());
    return false;
}

} // namespace Lexora
