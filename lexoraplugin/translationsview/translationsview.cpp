#include "translationsview.h"

#include "databaseaccess.h"
#include "exception.h"
#include "generationrunner.h"
#include "importexportinterface.h"
#include "linguistimport.h"
#include "translationfiles/qmltranslationextractor.h"
#include "translationfiles/translationcatalog.h"
#include "translationsview/translationssearchwidget.h"
#include "translationsview/translationsviewwidget.h"
#include "translationsview/translationswidget.h"
#include "translationsview/translationtableview.h"
#include "translationsview/undocommands.h"
#include "translationtests/translationtestresults.h"
#include "userfeedbackinterface.h"

#include <core/editorcontext.h>
#include <core/workbench.h>
#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/typedescription.h>
#include <designer/viewmanager.h>
#include <projects/buildtarget.h>
#include <projects/project.h>
#include <projects/session.h>
#include <qmlproject/qmlbuildbackend.h>
#include <sqlite/sqliteexception.h>
#include <utils/softassert.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUndoGroup>

#include <algorithm>

namespace Lexora {

using Host::Designer::Node;
using Host::Designer::NodeProperties;

namespace {

// Small lists are merged into the large one in place; large ones in one pass.
constexpr std::size_t inPlaceLimit = 16;

const QRegularExpression &translationCallPattern()
{
    // The literal ends at a quote that closes the call or precedes its count.
    static const QRegularExpression pattern(QStringLiteral("\\bqsTrId\\(\"(.+?)\"\\s*[,)]"));
    return pattern;
}

int hexValue(QStringView digits)
{
    bool ok = false;
    const int value = digits.toInt(&ok, 16);
    return ok ? value : -1;
}

// The pattern captures the literal as written; the ID is what the literal
// means, as the extractor and the QML engine read it. Otherwise `qsTrId("a\"b")`
// would show as a row of its own that no generated file knows.
QString stringLiteralValue(QStringView literal)
{
    if (!literal.contains(QLatin1Char('\\')))
        return literal.toString();
    QString value;
    value.reserve(literal.size());
    for (qsizetype i = 0; i < literal.size(); ++i) {
        const QChar c = literal.at(i);
        if (c != QLatin1Char('\\') || i + 1 == literal.size()) {
            value.append(c);
            continue;
        }
        const QChar escaped = literal.at(++i);
        switch (escaped.unicode()) {
        case 'b':
            value.append(QLatin1Char('\b'));
            break;
        case 'f':
            value.append(QLatin1Char('\f'));
            break;
        case 'n':
            value.append(QLatin1Char('\n'));
            break;
        case 'r':
            value.append(QLatin1Char('\r'));
            break;
        case 't':
            value.append(QLatin1Char('\t'));
            break;
        case 'v':
            value.append(QLatin1Char('\v'));
            break;
        case '0':
            value.append(QChar(0));
            break;
        case '\n':
        case 0x2028:
        case 0x2029:
            break; // a line continuation
        case '\r':
            if (i + 1 < literal.size() && literal.at(i + 1) == QLatin1Char('\n'))
                ++i;
            break;
        case 'x':
        case 'u': {
            int code = -1;
            qsizetype end = i + 1;
            if (escaped == QLatin1Char('u') && end < literal.size()
                && literal.at(end) == QLatin1Char('{')) {
                const qsizetype close = literal.indexOf(QLatin1Char('}'), end);
                if (close > end + 1) {
                    code = hexValue(literal.sliced(end + 1, close - end - 1));
                    end = close + 1;
                }
            } else {
                const qsizetype length = escaped == QLatin1Char('x') ? 2 : 4;
                if (end + length <= literal.size()) {
                    code = hexValue(literal.sliced(end, length));
                    end += length;
                }
            }
            if (code < 0 || code > 0x10FFFF) {
                // Not an escape the engine accepts; keep the text as written.
                value.append(QLatin1Char('\\')).append(escaped);
                break;
            }
            const char32_t codePoint = char32_t(code);
            value.append(QStringView(QChar::fromUcs4(codePoint)));
            i = end - 1;
            break;
        }
        default:
            value.append(escaped);
            break;
        }
    }
    return value;
}

void appendTranslationIds(const QString &text, TranslationIds &translationIds)
{
    QRegularExpressionMatchIterator matches = translationCallPattern().globalMatch(text);
    while (matches.hasNext())
        translationIds.push_back(stringLiteralValue(matches.next().capturedView(1)).toStdString());
}

void showCriticalMessage(const QString &title, const QString &text)
{
    QMessageBox::critical(Host::Core::Workbench::dialogParent(), title, text, QMessageBox::Ok);
}

Language languageOf(const QString &code)
{
    return Language(code.toStdString(),
                    QLocale::languageToString(QLocale(code).language()).toStdString());
}

Host::QmlProject::QmlBuildBackend *startupBuildSystem(bool *hasProject)
{
    Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    *hasProject = project;
    if (!project)
        return nullptr;
    Host::Projects::BuildTarget *target = project->activeTarget();
    HOST_SOFT_ASSERT(target, return nullptr);
    auto *buildSystem = qobject_cast<Host::QmlProject::QmlBuildBackend *>(target->buildBackend());
    HOST_SOFT_ASSERT(buildSystem, return nullptr);
    return buildSystem;
}

} // namespace

TranslationsView::TranslationsView(DatabaseAccess &databaseAccess,
                                   TranslationFileServicesInterface &translationFileServices,
                                   FileServicesInterface &fileServices,
                                   UserFeedbackInterface &userFeedback,
                                   GenerationRunner *generationRunner)
    : m_model(&databaseAccess, this),
      m_searchModel(databaseAccess),
      m_databaseAccess(&databaseAccess),
      m_translationFileServices(&translationFileServices),
      m_fileServices(&fileServices),
      m_userFeedback(&userFeedback),
      m_generationRunner(generationRunner)
{
    // Queued: the table's editor is still committing when the model reports.
    connect(&m_model,
            &TranslationsModel::writeFailed,
            this,
            &TranslationsView::onWriteFailed,
            Qt::QueuedConnection);
    connect(&m_model, &TranslationsModel::undoFailed, this, [](const QString &error) {
        showCriticalMessage(tr("Cannot change the translation!"),
                            tr("The database did not take the text of the undone or redone "
                               "edit. The error is: %1")
                                .arg(error));
    });
    m_statusModel.setSourceModel(&m_model);
    if (QUndoGroup *group = Host::Core::Workbench::undoGroup()) {
        group->addStack(m_model.undoStack());
        group->setActiveStack(m_model.undoStack());
    }
    m_outsideChangesTimer.setInterval(1000);
    connect(
        &m_outsideChangesTimer, &QTimer::timeout, this, &TranslationsView::checkForOutsideChanges);
    m_outsideChangesTimer.start();
    m_detailsTimer.setSingleShot(true);
    m_detailsTimer.setInterval(200);
    connect(&m_detailsTimer, &QTimer::timeout, this, [this] {
        readTranslationIdDetails();
        try {
            m_model.refresh();
        } catch (const Host::Sqlite::Exception &error) {
            m_tableStale = true;
            showUpdateError(error.what());
        }
    });
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(application,
                &QGuiApplication::applicationStateChanged,
                this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        checkForOutsideChanges();
                });
    }
}

TranslationsView::~TranslationsView() = default;

void TranslationsView::setServices(DatabaseAccess &databaseAccess,
                                   TranslationFileServicesInterface &translationFileServices,
                                   FileServicesInterface &fileServices,
                                   UserFeedbackInterface &userFeedback,
                                   GenerationRunner *generationRunner)
{
    m_databaseAccess = &databaseAccess;
    m_translationFileServices = &translationFileServices;
    m_fileServices = &fileServices;
    m_userFeedback = &userFeedback;
    m_generationRunner = generationRunner;
    m_model.setDatabaseAccess(&databaseAccess);
    m_searchModel.setDatabaseAccess(&databaseAccess);
}

TranslationIds TranslationsView::translationIdsOfBindings(const NodeProperties &bindings)
{
    TranslationIds translationIds;
    for (const Host::Designer::NodeProperty &binding : bindings)
        appendTranslationIds(binding.expression(), translationIds);
    std::sort(translationIds.begin(), translationIds.end());
    return translationIds;
}

QString TranslationsView::translationCall(const QString &translationId)
{
    QString literal = translationId;
    // Inside a string literal a backslash starts an escape and a quote ends it.
    literal.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    literal.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1String("qsTrId(\"") + literal + QLatin1String("\")");
}

void TranslationsView::modelAttached(Host::Designer::DocumentModel *model)
{
    DesignerView::modelAttached(model);

    NodeProperties bindings;
    bindings.reserve(100);
    for (Node *node : model->allNodes())
        bindings.append(node->bindingProperties());
    m_translationIds = translationIdsOfBindings(bindings);
    m_removedSinceUpdate.clear();
    m_addedSinceUpdate.clear();

    loadProjectLanguages();
    updateTranslations();
    // The form shows a newly opened document in the language the panel shows,
    // not in its IDs until the language is picked again.
    if (const QString language = m_model.currentLanguage().codeString(); !language.isEmpty())
        model->setAuxiliaryData(rootNode(), "language@Internal", language);
    // A document opened again is a new model: its frames come from what the
    // view kept of the last test.
    showTestResults();
}

void TranslationsView::nodeAboutToBeRemoved(Node *removedNode)
{
    // The designer announces only the top of a removed subtree; the bindings
    // of everything below it go with it.
    NodeProperties bindings;
    for (Node *node : removedNode->subtreeNodes())
        bindings.append(node->bindingProperties());
    subtractTranslationIds(bindings);
}

void TranslationsView::nodeRemoved(Node *, const QByteArray &)
{
    updateChangedTranslationIds();
}

void TranslationsView::nodeReparented(Node *, Node *, Node *) { }

void TranslationsView::propertiesAboutToBeRemoved(const NodeProperties &properties)
{
    NodeProperties bindings;
    for (const Host::Designer::NodeProperty &property : properties) {
        if (property.isBinding())
            bindings.append(property.toBindingProperty());
    }
    subtractTranslationIds(bindings);
}

void TranslationsView::propertiesRemoved(const NodeProperties &)
{
    updateChangedTranslationIds();
}

void TranslationsView::bindingPropertiesAboutToBeChanged(const NodeProperties &properties)
{
    subtractTranslationIds(properties);
}

void TranslationsView::bindingPropertiesChanged(const NodeProperties &properties)
{
    addTranslationIds(properties);
    updateChangedTranslationIds();
}

void TranslationsView::auxiliaryDataChanged(Node *node,
                                            const QByteArray &name,
                                            const QVariant &data)
{
    // The form may show a language the panel cannot (a pseudo language the
    // preview shows): its frames are that language's findings.
    if (name != "language@Internal" || !node->isRootNode() || data.toString().isEmpty()
        || data.toString() == m_testResultOverlay.language())
        return;
    m_testResultOverlay.setLanguage(data.toString());
    showTestResults();
}

void TranslationsView::selectionChanged(const QList<Node *> &selected,
                                        const QList<Node *> &deselected)
{
    DesignerView::selectionChanged(selected, deselected);
    // The rows of the IDs the selected nodes use are marked and brought into
    // view; the table's cells themselves are never selected.
    QSet<QString> selectedIds;
    if (model()) {
        for (Node *node : model()->selectedNodes()) {
            for (const std::string &id : translationIdsOfBindings(node->bindingProperties()))
                selectedIds.insert(QString::fromStdString(id));
        }
    }
    m_statusModel.setSelectedIds(selectedIds);
    if (m_widget && !selectedIds.isEmpty()) {
        static_cast<TranslationsViewWidget *>(m_widget.data())
            ->translationsWidget()
            ->scrollToFirst(TranslationStatusModel::SelectedNodeRole);
    }
}

bool TranslationsView::hasWidget() const
{
    return true;
}

Host::Designer::ViewWidgetDescription TranslationsView::widgetDescription()
{
    if (!m_widget) {
        auto *panel = new TranslationsViewWidget(this);
        panel->translationsWidget()->setModel(&m_statusModel);
        panel->translationsWidget()->setProblem(m_databaseAccess->databaseProblem());
        connect(panel->translationsWidget(),
                &TranslationsWidget::currentLanguageChanged,
                this,
                &TranslationsView::onCurrentLanguageChanged);
        m_widget = panel;
    }

    Host::Designer::ViewWidgetDescription description;
    description.widget = m_widget;
    description.uniqueId = QStringLiteral("TranslationsView");
    description.placementHint = 1;
    description.priority = 0;
    description.tabTitle = tr("Translations");
    description.flags = 0;
    return description;
}

void TranslationsView::subtractTranslationIds(const NodeProperties &bindings)
{
    const TranslationIds removed = translationIdsOfBindings(bindings);
    if (removed.empty())
        return;

    if (removed.size() <= inPlaceLimit) {
        for (const std::string &translationId : removed) {
            const auto found
                = std::lower_bound(m_translationIds.begin(), m_translationIds.end(), translationId);
            if (found != m_translationIds.end() && *found == translationId)
                m_translationIds.erase(found);
        }
    } else {
        TranslationIds difference;
        difference.reserve(m_translationIds.size());
        std::set_difference(m_translationIds.begin(),
                            m_translationIds.end(),
                            removed.begin(),
                            removed.end(),
                            std::back_inserter(difference));
        m_translationIds = std::move(difference);
    }
    m_removedSinceUpdate.insert(m_removedSinceUpdate.end(), removed.begin(), removed.end());
}

void TranslationsView::addTranslationIds(const NodeProperties &bindings)
{
    const TranslationIds added = translationIdsOfBindings(bindings);
    if (added.empty())
        return;

    if (added.size() <= inPlaceLimit) {
        for (const std::string &translationId : added) {
            m_translationIds.insert(
                std::upper_bound(m_translationIds.begin(), m_translationIds.end(), translationId),
                translationId);
        }
    } else {
        TranslationIds merged;
        merged.reserve(m_translationIds.size() + added.size());
        std::merge(m_translationIds.begin(),
                   m_translationIds.end(),
                   added.begin(),
                   added.end(),
                   std::back_inserter(merged));
        m_translationIds = std::move(merged);
    }
    m_addedSinceUpdate.insert(m_addedSinceUpdate.end(), added.begin(), added.end());
}

void TranslationsView::updateChangedTranslationIds()
{
    // The changes a failed update lost are only found again by a reload.
    if (m_tableStale) {
        updateTranslations();
        return;
    }
    TranslationIds removed = std::exchange(m_removedSinceUpdate, {});
    TranslationIds added = std::exchange(m_addedSinceUpdate, {});
    if (removed.empty() && added.empty())
        return;
    // Row by row only pays for a few IDs; many at once are cheaper in one reload.
    if (removed.size() + added.size() > 4 * inPlaceLimit) {
        updateTranslations();
        return;
    }
    if (!added.empty())
        m_detailsTimer.start();
    try {
        m_model.updateTranslationIds(removed, added);
    } catch (const Host::Sqlite::Exception &error) {
        m_tableStale = true;
        showUpdateError(error.what());
    }
}

void TranslationsView::showUpdateError(const char *message)
{
    showCriticalMessage(tr("Cannot get translation items from database!"),
                        tr("It can be that the database is corrupt or the database scheme "
                           "changed. The error is: %1")
                            .arg(QString::fromUtf8(message)));
}

void TranslationsView::readTranslationIdDetails()
{
    m_detailsTimer.stop();
    m_translationIdDetails.clear();
    if (!model() || !model()->textDocument())
        return;
    // The extractor reads the comments beside each call as generation does;
    // a document that does not parse simply gives no details.
    QBuffer buffer;
    buffer.setData(model()->textDocument()->toPlainText().toUtf8());
    buffer.open(QIODevice::ReadOnly);
    TranslationCatalog catalog;
    loadQml(catalog, buffer, model()->fileUrl().toLocalFile(), nullptr);
    for (const CatalogMessage &message : catalog.messages()) {
        if (message.id.isEmpty())
            continue;
        TranslationIdDetails &details = m_translationIdDetails[message.id];
        details.plural = details.plural || message.plural;
        if (details.sourceText.isEmpty())
            details.sourceText = message.sourceText;
    }
}

void TranslationsView::onWriteFailed(const QPersistentModelIndex &index, const QString &error)
{
    showCriticalMessage(tr("Cannot save the translation!"),
                        tr("The database did not take the text you typed. The cell keeps it: "
                           "press Return in it to try again. The error is: %1")
                            .arg(error));
    if (!m_widget || !index.isValid())
        return;
    TranslationsWidget *tab
        = static_cast<TranslationsViewWidget *>(m_widget.data())->translationsWidget();
    // A filter may hide the row; the message then says all there is.
    const QModelIndex cell = tab->tableIndex(index);
    if (!cell.isValid())
        return;
    tab->tableView()->setCurrentIndex(cell);
    tab->tableView()->edit(cell);
}

void TranslationsView::updateTranslations()
{
    m_model.setPrimaryLanguage(m_languageModel.primaryLanguage());
    readTranslationIdDetails();

    if (m_widget) {
        static_cast<TranslationsViewWidget *>(m_widget.data())
            ->translationsWidget()
            ->setProblem(m_databaseAccess->databaseProblem());
        QString code = static_cast<TranslationsViewWidget *>(m_widget.data())
                           ->translationsWidget()
                           ->currentLanguageCode();
        if (code.isEmpty())
            code = QStringLiteral("en");
        const std::string codeUtf8 = code.toStdString();
        const Languages languages = m_languageModel.languages();
        const auto found
            = std::find_if(languages.begin(), languages.end(), [&](const auto &language) {
                  return language.code == codeUtf8;
              });
        if (found != languages.end())
            m_model.setCurrentLanguage(*found);
        else if (languages.empty()) // no project: no language heads a column
            m_model.setCurrentLanguage({});
    }

    m_removedSinceUpdate.clear();
    m_addedSinceUpdate.clear();
    m_tableStale = false;
    try {
        m_model.reload();
    } catch (const Host::Sqlite::Exception &error) {
        m_tableStale = true;
        showUpdateError(error.what());
    }
    readTranslationFindings();
}

void TranslationsView::readTranslationFindings()
{
    DatabaseIoInterface *database = m_databaseAccess ? m_databaseAccess->databaseIo() : nullptr;
    TranslationFindingsList findings;
    try {
        if (database)
            findings = database->fetchTranslationFindings();
    } catch (const Host::Sqlite::Exception &error) {
        // Only the status marks miss them; the table itself reports lasting
        // database failures.
        qWarning() << "Cannot read the translation test findings:" << error.what();
        return;
    }
    m_statusModel.setFindings(findings);
}

void TranslationsView::loadProjectLanguages()
{
    bool hasProject = false;
    Host::QmlProject::QmlBuildBackend *buildSystem = startupBuildSystem(&hasProject);
    if (!hasProject) {
        // The languages of a closed project must not label the next one's table.
        m_languageModel.setPrimaryLanguage({});
        m_languageModel.setLanguages({});
        return;
    }
    if (!buildSystem)
        return;

    Languages languages;
    for (const QString &code : buildSystem->supportedLanguages())
        languages.push_back(languageOf(code));
    m_languageModel.setPrimaryLanguage(languageOf(buildSystem->primaryLanguage()));
    m_languageModel.setLanguages(languages);
}

void TranslationsView::reloadProjectLanguages()
{
    loadProjectLanguages();
    updateTranslations();
}

void TranslationsView::projectChanged()
{
    // A document still attached belongs to the new project; its IDs stay.
    if (!isAttached()) {
        m_translationIds.clear();
        m_removedSinceUpdate.clear();
        m_addedSinceUpdate.clear();
    }
    m_model.clearUnsaved();
    // The edits belong to the previous project's database.
    m_model.undoStack()->clear();
    if (auto *panel = static_cast<TranslationsViewWidget *>(m_widget.data())) {
        panel->searchWidget()->clear();
        panel->translationsWidget()->updateActions();
    } else {
        m_searchModel.setSearchText(QString());
    }
    reloadProjectLanguages();
}

void TranslationsView::checkForOutsideChanges()
{
    DatabaseIoInterface *database = m_databaseAccess->databaseIo();
    if (!database) {
        m_versionedDatabase = nullptr;
        return;
    }
    std::int64_t version = 0;
    try {
        version = database->dataVersion();
    } catch (const Host::Sqlite::Exception &) {
        return; // busy or gone for now: the next look tells
    }
    const bool known = database == m_versionedDatabase;
    if (known && version == m_dataVersion)
        return;
    m_versionedDatabase = database;
    m_dataVersion = version;
    if (!known)
        return; // a database seen for the first time has nothing to compare with
    try {
        m_model.refresh();
        m_searchModel.refresh();
    } catch (const Host::Sqlite::Exception &) {
        // Busy now; the table and the search report lasting failures when
        // they are used.
    }
    readTranslationFindings();
}

bool TranslationsView::requireDatabase() const
{
    if (m_databaseAccess->hasDatabase())
        return true;
    QString text = tr("No translation database is open, so there is nothing to import into or "
                      "export from. Open a project whose translations.db can be read (File > "
                      "Open Project) and try again.");
    const QString problem = m_databaseAccess->databaseProblem();
    if (!problem.isEmpty())
        text += QLatin1String("\n\n") + problem;
    showCriticalMessage(tr("No translation database"), text);
    return false;
}

void TranslationsView::setProjectLanguages(const QStringList &codes, const QString &primaryCode)
{
    bool hasProject = false;
    Host::QmlProject::QmlBuildBackend *buildSystem = startupBuildSystem(&hasProject);
    if (!buildSystem)
        return;
    buildSystem->setSupportedLanguages(codes);
    buildSystem->setPrimaryLanguage(primaryCode);
}

void TranslationsView::onCurrentLanguageChanged(const QString &language)
{
    if (language.isEmpty())
        return;
    updateTranslations();
    if (isAttached())
        model()->setAuxiliaryData(rootNode(), "language@Internal", language);
    m_testResultOverlay.setLanguage(language);
    showTestResults();
}

void TranslationsView::importAndSyncTranslations(const QString &filePath)
{
    DatabaseIoInterface *database = m_databaseAccess->databaseIo();
    if (!database)
        return;
    try {
        if (LinguistImport::isLinguistFile(filePath)) {
            // Translators hand back what they finished; the other IDs and
            // languages of the database stay as they are.
            bool hasProject = false;
            Host::QmlProject::QmlBuildBackend *buildSystem = startupBuildSystem(&hasProject);
            LinguistImport import(buildSystem ? buildSystem->supportedLanguages() : QStringList());
            import.addFile(filePath);
            database->storeAsLocalEdits(import.entries());
            updateTranslations();
            return;
        }
        const TranslatableEntries entries = m_databaseAccess->importExport()->importFile(filePath);
        // A file without IDs empties the database: only on purpose.
        if (entries.empty() && !database->fetchAllTranslatableEntries().empty()) {
            const QMessageBox::StandardButton answer = QMessageBox::question(
                Host::Core::Workbench::dialogParent(),
                tr("Remove all translations?"),
                tr("%1 holds no translation IDs. Importing it removes every translation ID of "
                   "the database and its translations, except those that local edits keep. "
                   "Import it anyway?")
                    .arg(QDir::toNativeSeparators(filePath)),
                QMessageBox::Yes | QMessageBox::No,
                QMessageBox::No);
            if (answer != QMessageBox::Yes)
                return;
        }
        database->syncTranslatables(entries);
    } catch (const CannotReadLinguistFile &error) {
        showCriticalMessage(tr("Qt Linguist file error"), QString::fromUtf8(error.what()));
        return;
    } catch (const CannotReadJsonFile &error) {
        showCriticalMessage(tr("JSON file error"),
                            tr("Error in the JSON file: ") + QString::fromUtf8(error.what()));
        return;
    } catch (const CannotOpenJsonFile &error) {
        showCriticalMessage(tr("JSON file error"),
                            tr("Unable to open file: ") + QString::fromUtf8(error.what()));
        return;
    } catch (const Exception &error) {
        showCriticalMessage(tr("Cannot sync to the database!"),
                            tr("It can be that the database is corrupt or the database scheme "
                               "changed. The error is: %1")
                                .arg(QString::fromUtf8(error.what())));
        return;
    } catch (const Host::Sqlite::Exception &error) {
        showCriticalMessage(tr("Cannot sync to the database!"),
                            tr("It can be that the database is corrupt or the database scheme "
                               "changed. The error is: %1")
                                .arg(QString::fromUtf8(error.what())));
        return;
    }
    updateTranslations();
}

namespace {

QString startupProjectName()
{
    Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    return project ? project->displayName() : QString();
}

template<typename Export> void runExport(Export &&exportEntries)
{
    const auto showDatabaseError = [](const char *message) {
        showCriticalMessage(
            QCoreApplication::translate("Lexora::TranslationsView", "Cannot export the database!"),
            QCoreApplication::translate("Lexora::TranslationsView",
                                        "Some internal error happens. The error "
                                        "is: %1")
                .arg(QString::fromUtf8(message)));
    };
    try {
        exportEntries();
    } catch (const CannotOpenJsonFile &error) {
        showCriticalMessage(
            QCoreApplication::translate("Lexora::TranslationsView", "JSON file error"),
            QCoreApplication::translate("Lexora::TranslationsView", "Unable to open file: ")
                + QString::fromUtf8(error.what()));
    } catch (const Exception &error) {
        showDatabaseError(error.what());
    } catch (const Host::Sqlite::Exception &error) {
        showDatabaseError(error.what());
    }
}

} // namespace

void TranslationsView::exportAllTranslations(const QString &filePath)
{
    runExport([&] { m_databaseAccess->exportAll(filePath, startupProjectName()); });
}

void TranslationsView::exportTranslations(const QString &filePath,
                                          const TranslationIds &translationIds)
{
    runExport(
        [&] { m_databaseAccess->exportEntries(translationIds, filePath, startupProjectName()); });
}

TranslationIds TranslationsView::usedTranslationIdsOfProject() const
{
    Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    if (!project)
        return {};

    TranslationIds translationIds;
    const auto files
        = project->files([](const Host::Utils::Path &path) { return path.endsWith(u".qml"); });
    for (const Host::Utils::Path &path : files) {
        QFile file(path.toString());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        appendTranslationIds(QString::fromUtf8(file.readAll()), translationIds);
    }
    return translationIds;
}

bool TranslationsView::generateTranslationFiles(std::string_view format)
{
    LanguageCodes codes;
    for (const Language &language : m_languageModel.languages())
        codes.push_back(language.code);
    HOST_SOFT_ASSERT(m_generationRunner, return false);
    return m_generationRunner->generateTranslationFiles(std::move(codes), format);
}

bool TranslationsView::generateQmFiles()
{
    return generateTranslationFiles("qm");
}

void TranslationsView::generateQmFilesThen(QObject *context, std::function<void(bool)> done)
{
    if (!generateQmFiles()) {
        done(false);
        return;
    }
    m_generationRunner->whenFinished(context, std::move(done));
}

bool TranslationsView::generateTsFiles()
{
    return generateTranslationFiles("ts");
}

bool TranslationsView::generateAllTranslationFiles()
{
    LanguageCodes codes;
    for (const Language &language : m_languageModel.languages())
        codes.push_back(language.code);
    HOST_SOFT_ASSERT(m_generationRunner, return false);
    return m_generationRunner->generateAllTranslationFiles(std::move(codes));
}

void TranslationsView::generateAllTranslationFilesThen(QObject *context,
                                                       std::function<void(bool)> done)
{
    if (!generateAllTranslationFiles()) {
        done(false);
        return;
    }
    m_generationRunner->whenFinished(context, std::move(done));
}

QStringList TranslationsView::stringPropertyNames() const
{
    if (!isAttached() || !hasSingleSelectedNode())
        return {};
    Node *node = firstSelectedNode();
    const Host::Designer::TypeDescription type = node->typeDescription();
    QStringList names;
    for (const QByteArray &name : type.propertyNames()) {
        if (node->hasBindingProperty(name) && type.propertyTypeName(name) == "string")
            names.append(QString::fromUtf8(name));
    }
    return names;
}

void TranslationsView::setTranslationBinding(const QString &translationId,
                                             const QString &propertyName)
{
    if (!isAttached())
        return;
    Node *node = firstSelectedNode();
    if (!node)
        return;
    const QByteArray name = propertyName.toUtf8();
    std::optional<QString> before;
    if (node->hasProperty(name))
        before = node->property(name).sourceText();
    const QString call = translationCall(translationId);
    if (before == call)
        return;
    // Made before the write, which may replace the node.
    auto change = std::make_unique<BindingChange>(node, name, std::move(before), call);
    if (model()->setBindingProperty(node, name, call))
        m_model.undoStack()->push(change.release());
}

void TranslationsView::addScreenMetaData(const QByteArray &resultJson)
{
    DatabaseIoInterface *database = m_databaseAccess ? m_databaseAccess->databaseIo() : nullptr;
    if (!database)
        return;
    try {
        TranslationTestResults::storeScreenMetaData(database, resultJson);
        readTranslationFindings();
    } catch (const Host::Sqlite::Exception &exception) {
        QMessageBox::critical(Host::Core::Workbench::dialogParent(),
                              tr("Cannot add screen metadata to database!"),
                              tr("The error is: %1").arg(QString::fromUtf8(exception.what())),
                              QMessageBox::Ok);
    }
}

void TranslationsView::highlightTestResults(const QByteArray &resultJson,
                                            const QColor &plainColor,
                                            const QColor &missingColor,
                                            const QColor &elideColor)
{
    // Kept even without an open document: a project test frames the screens
    // the user opens afterwards.
    m_testResultOverlay.addResult(resultJson, { plainColor, missingColor, elideColor });
    // The selector's language, once it has one; it reports its changes.
    if (m_widget) {
        const QString code = static_cast<TranslationsViewWidget *>(m_widget.data())
                                 ->translationsWidget()
                                 ->currentLanguageCode();
        if (!code.isEmpty())
            m_testResultOverlay.setLanguage(code);
    }
    Host::Designer::FormDocument *textEditor
        = Host::Designer::ViewManager::instance()->currentDocument();
    HOST_SOFT_ASSERT(textEditor, return );
    auto textEditorWidget = textEditor->textEditorWidget();
    HOST_SOFT_ASSERT(textEditorWidget, return );
    auto textDocument = textEditor->textDocument();
    HOST_SOFT_ASSERT(textDocument, return );
    QTextDocument *document = textEditor->document();
    HOST_SOFT_ASSERT(document, return );
    showTestResults();
}

void TranslationsView::showTestResults()
{
    Host::Designer::FormDocument *document
        = Host::Designer::ViewManager::instance()->currentDocument();
    m_testResultOverlay.apply(document);
    if (!m_widget)
        return;
    const QString filePath = document ? document->filePath().toString() : QString();
    static_cast<TranslationsViewWidget *>(m_widget.data())
        ->translationsWidget()
        ->setTestLegend(m_testResultOverlay.legendTitle(filePath),
                        m_testResultOverlay.legend(filePath));
}

QStringList TranslationsView::pseudoLanguages() const
{
    bool hasProject = false;
    const Host::QmlProject::QmlBuildBackend *buildSystem = startupBuildSystem(&hasProject);
    return buildSystem ? buildSystem->previewOnlyLanguages() : QStringList();
}

bool TranslationsView::preparePseudoLanguages()
{
    return m_pseudoLanguagesWriter && m_pseudoLanguagesWriter();
}

void TranslationsView::showLanguage(const QString &code)
{
    m_testResultOverlay.setLanguage(code);
    if (isAttached())
        model()->setAuxiliaryData(rootNode(), "language@Internal", code);
    showTestResults();
}

void TranslationsView::writeTestReport(const QString &filePath, const QByteArray &resultJson)
{
    if (QString error; !TranslationTestResults::writeReport(filePath, resultJson, &error)) {
        m_userFeedback->addError(
            tr("Could not write the translation test report %1: %2").arg(filePath, error));
    }
}

} // namespace Lexora
