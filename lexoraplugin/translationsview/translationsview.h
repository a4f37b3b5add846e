#pragma once

#include "databaseio/databaseiointerface.h"
#include "languages/languagemodel.h"
#include "translationsview/testresultoverlay.h"
#include "translationsview/translationsearchmodel.h"
#include "translationsview/translationsmodel.h"
#include "translationsview/translationstatusmodel.h"
#include "translationtests/translationtestviewinterface.h"

#include <designer/designerview.h>

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace Lexora {

class DatabaseAccess;
class FileServicesInterface;
class GenerationRunner;
class TranslationFileServicesInterface;
class UserFeedbackInterface;

// The plugin's view in the designer. It keeps the sorted list of translation
// IDs that the attached document's bindings use (one entry per use), keeps the
// translations table in step with it and with the database, holds the
// project's languages and offers the operations behind the panel's commands.
class TranslationsView : public Host::Designer::DesignerView, public TranslationTestViewInterface
{
    Q_OBJECT

public:
    // `generationRunner` starts the translation-file generations; it must
    // outlive the view's last generation request.
    TranslationsView(DatabaseAccess &databaseAccess,
                     TranslationFileServicesInterface &translationFileServices,
                     FileServicesInterface &fileServices,
                     UserFeedbackInterface &userFeedback,
                     GenerationRunner *generationRunner = nullptr);
    ~TranslationsView() override;

    // Points the view at another set of services (the plugin initialised
    // again); the old ones may be destroyed afterwards.
    void setServices(DatabaseAccess &databaseAccess,
                     TranslationFileServicesInterface &translationFileServices,
                     FileServicesInterface &fileServices,
                     UserFeedbackInterface &userFeedback,
                     GenerationRunner *generationRunner);

    void modelAttached(Host::Designer::DocumentModel *model) override;
    void nodeAboutToBeRemoved(Host::Designer::Node *removedNode) override;
    void nodeRemoved(Host::Designer::Node *parentNode, const QByteArray &parentProperty) override;
    void nodeReparented(Host::Designer::Node *node,
                        Host::Designer::Node *newParent,
                        Host::Designer::Node *oldParent) override;
    void propertiesAboutToBeRemoved(const Host::Designer::NodeProperties &properties) override;
    void propertiesRemoved(const Host::Designer::NodeProperties &properties) override;
    void
    bindingPropertiesAboutToBeChanged(const Host::Designer::NodeProperties &properties) override;
    void bindingPropertiesChanged(const Host::Designer::NodeProperties &properties) override;
    void auxiliaryDataChanged(Host::Designer::Node *node,
                              const QByteArray &name,
                              const QVariant &data) override;
    void selectionChanged(const QList<Host::Designer::Node *> &selected,
                          const QList<Host::Designer::Node *> &deselected) override;
    bool hasWidget() const override;
    Host::Designer::ViewWidgetDescription widgetDescription() override;

    void updateTranslations();
    void reloadProjectLanguages();
    // The startup project or its database changed: nothing of the previous
    // project stays on show (rows, unsaved texts, search results) and the
    // panel's commands follow whether there is a database now.
    void projectChanged();
    // Whether a database is open; if not, tells the user why a command that
    // needs one does nothing.
    bool requireDatabase() const;
    // Shows what another program (an import on the command line, another
    // studio) changed in the database since the last look. Runs every second
    // and whenever the studio becomes the active application; the rows stay
    // in place, so the current row and an open editor are kept.
    void checkForOutsideChanges();
    void setProjectLanguages(const QStringList &codes, const QString &primaryCode);
    // The language chosen in the panel's selector; empty does nothing.
    void onCurrentLanguageChanged(const QString &language);

    void importAndSyncTranslations(const QString &filePath);
    void exportAllTranslations(const QString &filePath);
    void exportTranslations(const QString &filePath, const TranslationIds &translationIds);
    TranslationIds usedTranslationIdsOfProject() const;

    // Each returns whether a generation was started.
    bool generateTranslationFiles(std::string_view format);
    bool generateQmFiles();
    void generateQmFilesThen(QObject *context, std::function<void(bool written)> done) override;
    bool generateTsFiles();
    bool generateAllTranslationFiles();
    // Generates all translation files, then calls `done` on this thread with
    // whether everything went well (at once with false when refused).
    void generateAllTranslationFilesThen(QObject *context, std::function<void(bool)> done);

    QStringList stringPropertyNames() const;
    void setTranslationBinding(const QString &translationId, const QString &propertyName);

    const TranslationIds &translationIds() const { return m_translationIds; }
    Languages projectLanguages() const override { return m_languageModel.languages(); }

    // What becomes of a translation test's result: screen metadata, frames on
    // the items of the open document, a report file.
    void addScreenMetaData(const QByteArray &resultJson) override;
    void highlightTestResults(const QByteArray &resultJson,
                              const QColor &plainColor,
                              const QColor &missingColor,
                              const QColor &elideColor) override;
    void writeTestReport(const QString &filePath, const QByteArray &resultJson) override;
    // The startup project's preview-only languages, written by `writer`.
    QStringList pseudoLanguages() const override;
    bool preparePseudoLanguages() override;
    void showLanguage(const QString &code) override;
    void setPseudoLanguagesWriter(const std::function<bool()> &writer)
    {
        m_pseudoLanguagesWriter = writer;
    }
    TranslationsModel *translationsModel() { return &m_model; }
    // The table with each row's status, over translationsModel().
    TranslationStatusModel *statusModel() { return &m_statusModel; }
    // Reads the stored test findings and silenced checks again.
    void readTranslationFindings();
    const TestResultOverlay &testResultOverlay() const { return m_testResultOverlay; }

    // What the open document's code says of an ID beside its call.
    struct TranslationIdDetails
    {
        QString sourceText; // of a //% comment
        bool plural = false; // used with a count
    };
    const QHash<QString, TranslationIdDetails> &translationIdDetails() const
    {
        return m_translationIdDetails;
    }
    TranslationSearchModel *searchModel() { return &m_searchModel; }
    LanguageModel *languageModel() { return &m_languageModel; }
    DatabaseAccess *databaseAccess() const { return m_databaseAccess; }
    QWidget *widget() const { return m_widget; }

    // The translation IDs that the bindings' expressions use, one per call,
    // sorted bytewise.
    static TranslationIds translationIdsOfBindings(const Host::Designer::NodeProperties &bindings);
    // The text of a `qsTrId` call with `translationId` as a QML string literal.
    static QString translationCall(const QString &translationId);

private:
    void loadProjectLanguages();
    void subtractTranslationIds(const Host::Designer::NodeProperties &bindings);
    void addTranslationIds(const Host::Designer::NodeProperties &bindings);
    void updateChangedTranslationIds();
    void showUpdateError(const char *message);
    void readTranslationIdDetails();
    void onWriteFailed(const QPersistentModelIndex &index, const QString &error);
    // Frames the open document's test results in the panel's language and
    // explains them in the panel's legend.
    void showTestResults();

    TranslationsModel m_model;
    TranslationStatusModel m_statusModel;
    TestResultOverlay m_testResultOverlay;
    TranslationSearchModel m_searchModel;
    LanguageModel m_languageModel;
    QPointer<QWidget> m_widget;
    DatabaseAccess *m_databaseAccess;
    TranslationFileServicesInterface *m_translationFileServices;
    FileServicesInterface *m_fileServices;
    UserFeedbackInterface *m_userFeedback;
    TranslationIds m_translationIds;
    QHash<QString, TranslationIdDetails> m_translationIdDetails;

    GenerationRunner *m_generationRunner;
    std::function<bool()> m_pseudoLanguagesWriter;
    // IDs subtracted and added since the table was last brought up to date.
    TranslationIds m_removedSinceUpdate;
    TranslationIds m_addedSinceUpdate;
    // The table missed changes (the database failed): reload it at the next change.
    bool m_tableStale = false;
    QTimer m_outsideChangesTimer;
    // Source texts and plural flags of new IDs come from a parse of the whole
    // document; a burst of edits pays for one parse, not one per keystroke.
    QTimer m_detailsTimer;
    // The database last asked for its data version, and the answer.
    const DatabaseIoInterface *m_versionedDatabase = nullptr;
    std::int64_t m_dataVersion = 0;
};

} // namespace Lexora
