// The two test dialogs and the file list, driven as a user drives them; the
// runs go to a real headless preview.

#include "previewtestproject.h"

#include "databaseio/projectdatabase.h"
#include "pseudopreviewlanguages.h"
#include "translationtests/projecttranslationtesterdialog.h"
#include "translationtests/qmldebugtranslationdialog.h"
#include "translationtests/qmldebugtranslationrunner.h"
#include "translationtests/qmlfilelistmodel.h"
#include "translationtests/testlanguagechoice.h"
#include "translationtests/translationtestresults.h"
#include "translationtests/translationtestviewinterface.h"
#include "userfeedback.h"

#include <core/document.h>
#include <core/editorcontext.h>
#include <preview/previewplugin.h>
#include <qmlproject/designproject.h>
#include <utils/colorbutton.h>

#include <testfiles.h>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

using namespace Lexora;

namespace {

// The view's side of the dialogs: records the calls and stores and writes
// the results through the same code the view uses.
class RecordingView final : public TranslationTestViewInterface
{
public:
    Languages projectLanguages() const override
    {
        return { { "de", "German" }, { "fr", "French" } };
    }
    void generateQmFilesThen(QObject *, std::function<void(bool)> done) override
    {
        ++generated;
        if (holdGeneration)
            pendingGeneration = std::move(done);
        else
            done(true);
    }
    void addScreenMetaData(const QByteArray &resultJson) override
    {
        stored.append(resultJson);
        TranslationTestResults::storeScreenMetaData(database, resultJson);
    }
    void highlightTestResults(const QByteArray &resultJson,
                              const QColor &plainColor,
                              const QColor &missingColor,
                              const QColor &elideColor) override
    {
        highlighted.append(resultJson);
        colors = { plainColor, missingColor, elideColor };
    }
    void writeTestReport(const QString &filePath, const QByteArray &resultJson) override
    {
        reports.append(filePath);
        TranslationTestResults::writeReport(filePath, resultJson);
    }
    QStringList pseudoLanguages() const override
    {
        return pseudo ? pseudo->codes() : QStringList();
    }
    bool preparePseudoLanguages() override { return pseudo && pseudo->refresh(); }
    void showLanguage(const QString &code) override { shownLanguages.append(code); }

    DatabaseIoInterface *database = nullptr;
    int generated = 0;
    // A generation that runs until the test finishes it.
    bool holdGeneration = false;
    std::function<void(bool)> pendingGeneration;
    QList<QByteArray> stored;
    QList<QByteArray> highlighted;
    QList<QColor> colors;
    QStringList reports;
    PseudoPreviewLanguages *pseudo = nullptr;
    QStringList shownLanguages;
};

// A project of `files` (and its project file) in `directory`.
std::unique_ptr<Host::QmlProject::DesignProject> openProject(const QTemporaryDir &directory,
                                                             const QStringList &files)
{
    bool written
        = writeFile(directory.filePath("files.qmlproject"), "import QmlProject\nProject {}\n");
    for (const QString &file : files)
        written = written && writeFile(directory.filePath(file), "import QtQuick\nItem {}\n");
    QString error;
    auto project = Host::QmlProject::DesignProject::open(
        Host::Utils::Path::fromString(directory.filePath("files.qmlproject")), &error);
    if (!written || !project)
        qWarning() << error;
    return written ? std::move(project) : nullptr;
}

// One of the two test dialogs and its runner.
std::pair<std::unique_ptr<QDialog>, QmlDebugTranslationRunner *> testDialog(bool project,
                                                                            RecordingView *view)
{
    if (project) {
        auto dialog = std::make_unique<ProjectTranslationTesterDialog>(view);
        QmlDebugTranslationRunner *runner = dialog->runner();
        return { std::move(dialog), runner };
    }
    auto dialog = std::make_unique<QmlDebugTranslationDialog>(view);
    QmlDebugTranslationRunner *runner = dialog->runner();
    return { std::move(dialog), runner };
}

// Makes `path` the editor's current document while it lives.
struct CurrentDocument
{
    explicit CurrentDocument(const QString &path) : document(Host::Utils::Path::fromString(path))
    {
        Host::Core::EditorContext::instance()->setCurrentDocument(&document);
    }
    ~CurrentDocument() { Host::Core::EditorContext::instance()->setCurrentDocument(nullptr); }
    Host::Core::Document document;
};

} // namespace

class tst_TranslationDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_host = std::make_unique<PreviewHost>();
        m_project = std::make_unique<PreviewTestProject>();
        QString error;
        QVERIFY2(m_project->create(&error), qPrintable(error));
    }
    void cleanupTestCase()
    {
        m_project.reset();
        m_host.reset();
    }

    void forms_data()
    {
        QTest::addColumn<bool>("project");
        // "objectName Class: text" per widget of the form; a check box is ticked,
        // a progress bar at 0
        QTest::addColumn<QStringList>("widgets");
        QStringList file {
            "tabWidget_4 QTabWidget: Highlight Colors",
            "generateQmFilesCheckBox QCheckBox: Generate qm files before running the test",
            "runButton QPushButton: Run Tests",
            "showMissingTranslationCheckBox QCheckBox: Show Translation Warnings",
            "showFoundTranslationCheckBox QCheckBox: Show Found Translation (tr)",
            "showElideWarningCheckBox QCheckBox: Show Elide Warnings"
        };
        for (const char *kind : { "missingTranslation", "foundTranslation", "elideWarning" })
            file << kind + QStringLiteral("Label QLabel: Highlight Color")
                 << kind + QStringLiteral("ColorButton Host::Utils::ColorButton: ...");
        QTest::newRow("file") << false << file;
        QTest::newRow("project")
            << true
            << QStringList {
                   "tabWidget_2 QTabWidget: Files",
                   "filesListView QListView: ",
                   "generateQmFilesCheckBox QCheckBox: Generate qm files before running the tests",
                   "progressTab QTabWidget: Progress",
                   "progressBar QProgressBar: ",
                   "runButton QPushButton: Run tests"
               };
    }

    void forms()
    {
        QFETCH(bool, project);
        QFETCH(QStringList, widgets);
        RecordingView view;
        const auto dialog = testDialog(project, &view).first;
        QCOMPARE(dialog->objectName(),
                 project ? "ProjectTranslationTesterDialog" : "QmlDebugTranslationDialog");
        QCOMPARE(dialog->size(), project ? QSize(750, 500) : QSize(750, 250));
        QCOMPARE(dialog->windowTitle(),
                 project ? "Project Translation Tester" : "Translation Tester");
        QStringList actual;
        for (const QString &expected : widgets) {
            const QString objectName = expected.section(u' ', 0, 0);
            QWidget *widget = dialog->findChild<QWidget *>(objectName);
            QVERIFY2(widget, qPrintable(objectName));
            QString text;
            if (auto tabs = qobject_cast<QTabWidget *>(widget)) {
                QCOMPARE(tabs->count(), 1);
                if (!project)
                    QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("tab_7"));
                text = tabs->tabText(0);
            } else if (auto button = qobject_cast<QAbstractButton *>(widget)) {
                text = button->text();
                if (auto checkBox = qobject_cast<QCheckBox *>(widget))
                    QVERIFY2(checkBox->isChecked(), qPrintable(objectName));
            } else if (auto label = qobject_cast<QLabel *>(widget)) {
                text = label->text();
            } else if (auto progress = qobject_cast<QProgressBar *>(widget)) {
                QCOMPARE(progress->value(), 0);
            }
            actual.append(objectName + u' ' + widget->metaObject()->className() + ": " + text);
        }
        QCOMPARE(actual, widgets);
    }

    void colourOptions_data()
    {
        QTest::addColumn<int>("option");
        // Names "show<Kind>CheckBox", "<kind>Label" and "<kind>ColorButton"
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QColor>("initial");
        QTest::newRow("missing") << int(QmlDebugTranslationDialog::MissingTranslations)
                                 << "missingTranslation" << QColor(Qt::red);
        QTest::newRow("found") << int(QmlDebugTranslationDialog::FoundTranslations)
                               << "foundTranslation" << QColor(Qt::green);
        QTest::newRow("elide") << int(QmlDebugTranslationDialog::ElideWarnings) << "elideWarning"
                               << QColor(Qt::magenta);
    }

    void colourOptions()
    {
        QFETCH(int, option);
        QFETCH(QString, kind);
        QFETCH(QColor, initial);
        RecordingView view;
        QmlDebugTranslationDialog dialog(&view);
        auto box = dialog.findChild<QCheckBox *>(QStringLiteral("show") + kind.at(0).toUpper()
                                                 + kind.mid(1) + "CheckBox");
        auto text = dialog.findChild<QLabel *>(kind + "Label");
        auto colorButton = dialog.findChild<Host::Utils::ColorButton *>(kind + "ColorButton");
        QVERIFY(box && text && colorButton);
        QCOMPARE(colorButton->color(), initial);
        QVERIFY(text->isEnabled() && colorButton->isEnabled());

        // The user picks another colour, then turns the option off and on again.
        const QColor picked(10, 20, 30);
        colorButton->setColor(picked);
        QSignalSpy changed(&dialog, &QmlDebugTranslationDialog::frameColorChanged);
        box->click();
        QVERIFY(!box->isChecked() && !text->isEnabled() && !colorButton->isEnabled());
        QVERIFY(!colorButton->color().isValid());
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(0).toInt(), option);
        QVERIFY(!changed.last().at(1).value<QColor>().isValid());
        box->click();
        QVERIFY(text->isEnabled() && colorButton->isEnabled());
        QCOMPARE(colorButton->color(), picked);
        QCOMPARE(changed.last().at(0).toInt(), option);
        QCOMPARE(changed.last().at(1).value<QColor>(), picked);

        // The other options are untouched.
        const QList<Host::Utils::ColorButton *> buttons
            = dialog.findChildren<Host::Utils::ColorButton *>();
        QCOMPARE(buttons.size(), 3);
        for (Host::Utils::ColorButton *other : buttons)
            QVERIFY(other == colorButton || (other->color().isValid() && other->isEnabled()));
    }

    void fileList_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<bool>("listed");
        QTest::newRow("upper-case UI file") << "Button.ui.qml" << true;
        QTest::newRow("lower-case UI file") << "button.ui.qml" << false;
        QTest::newRow("plain QML file") << "Button.qml" << false;
        QTest::newRow("below imports") << "imports/Controls/Button.ui.qml" << false;
        QTest::newRow("imports is a plain prefix") << "importsExtra/Panel.ui.qml" << false;
        QTest::newRow("nested folder") << "screens/Panel.ui.qml" << true;
        QTest::newRow("non-ASCII upper case") << "Ärger.ui.qml" << true;
        QTest::newRow("digit first") << "1Screen.ui.qml" << false;
    }

    void fileList()
    {
        QFETCH(QString, relativePath);
        QFETCH(bool, listed);
        QTemporaryDir directory;
        // Another listed file, so that an empty list is no pass.
        const auto project = openProject(directory, { relativePath, "Main.ui.qml" });
        QVERIFY(project);
        QmlFileListModel model(project.get());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row).data().toString());
        QVERIFY(shown.contains(QDir::toNativeSeparators(directory.filePath("Main.ui.qml"))));
        QCOMPARE(shown.contains(QDir::toNativeSeparators(directory.filePath(relativePath))),
                 listed);
        QCOMPARE(model.rowCount(), listed ? 2 : 1);
    }

    void fileListChecks()
    {
        QTemporaryDir directory;
        const auto project = openProject(directory, { "A.ui.qml", "B.ui.qml", "C.ui.qml" });
        QVERIFY(project);
        QmlFileListModel model(project.get());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.checkedFiles().size(), 3);
        QVERIFY(model.flags(model.index(0)) & Qt::ItemIsUserCheckable);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(model.index(1), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.index(1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!model.setData(model.index(0), Qt::Unchecked, Qt::DisplayRole));
        QVERIFY(!model.setData(QModelIndex(), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(model.checkedFiles(),
                 (QList<Host::Utils::Path> {
                     Host::Utils::Path::fromString(directory.filePath("A.ui.qml")),
                     Host::Utils::Path::fromString(directory.filePath("C.ui.qml")) }));
        QVERIFY(model.setData(model.index(1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.checkedFiles().size(), 3);
    }

    void pseudoLanguageRun_data()
    {
        QTest::addColumn<bool>("project");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("report");
        QTest::newRow("file, accented") << false << "qps-ploc"
                                        << "translation_report_Welcome_pseudo.json";
        QTest::newRow("project, mirrored") << true << "qps-plocm"
                                           << "translation_report_pseudo.json";
    }

    // A pseudo language is tested like a project language, from files made
    // outside the project, and leaves the database and the project's reports alone.
    void pseudoLanguageRun()
    {
        QFETCH(bool, project);
        QFETCH(QString, code);
        QFETCH(QString, report);

        LEXORA_REQUIRE_PREVIEW();
        const CurrentDocument current(m_project->welcomeFile());
        RecordingView view;
        view.database = &m_project->database()->databaseIo();
        UserFeedback feedback;
        PseudoPreviewLanguages pseudo;
        pseudo.setProject(m_project->project(), view.database, &feedback);
        QCOMPARE(pseudo.codes(), QStringList({ "qps-ploc", "qps-plocm" }));
        view.pseudo = &pseudo;

        const auto [dialog, runner] = testDialog(project, &view);
        auto languages = dialog->findChild<QComboBox *>("languageComboBox");
        QVERIFY(languages);
        QCOMPARE(languages->count(), 3);
        languages->setCurrentIndex(languages->findData(code));
        QCOMPARE(dialog->findChild<TestLanguageChoice *>()->pseudoLanguage(), code);
        QVERIFY(!dialog->findChild<QCheckBox *>("generateQmFilesCheckBox")->isEnabled());

        QSignalSpy stopped(runner, &QmlDebugTranslationRunner::stopped);
        dialog->findChild<QPushButton *>("runButton")->click();
        QVERIFY(stopped.count() == 1 || stopped.wait(60000));
        QCOMPARE(runner->outcome(), QmlDebugTranslationRunner::Outcome::Completed);

        // The primary title is too long for its box once lengthened.
        bool titleElided = false;
        for (const TranslationIssue &issue : runner->languageIssues()) {
            QCOMPARE(issue.language, code);
            titleElided = titleElided || (issue.type != 0 && issue.line == 14);
        }
        QVERIFY(titleElided);
        QCOMPARE(view.generated, 0);
        QVERIFY(view.stored.isEmpty());
        QVERIFY(view.database->fetchTextElides(m_project->welcomeFile().toStdString()).empty());
        QCOMPARE(view.highlighted.size(), 1);
        QCOMPARE(view.shownLanguages, QStringList { code });
        QCOMPARE(view.reports, QStringList { m_project->filePath(report) });
        QVERIFY(!QFile::exists(m_project->filePath("i18n/qml_" + code + ".qm")));

        if (project) {
            // Drawn in the pseudo texts: two screens in two states each.
            QTemporaryDir folder;
            QVERIFY(static_cast<ProjectTranslationTesterDialog *>(dialog.get())
                        ->writeVisualReport(folder.path()));
            const QString status = dialog->findChild<QLabel *>("runStatusLabel")->text();
            QVERIFY2(!status.contains("shown as written"), qPrintable(status));
            QCOMPARE(QDir(folder.path()).entryList({ "*-" + code + ".png" }).size(), 4);
        }
    }

    void projectDialogRun()
    {
        LEXORA_REQUIRE_PREVIEW();
        RecordingView view;
        view.database = &m_project->database()->databaseIo();
        ProjectTranslationTesterDialog dialog(&view);
        auto list = dialog.findChild<QListView *>("filesListView");
        auto run = dialog.findChild<QPushButton *>("runButton");
        auto progress = dialog.findChild<QProgressBar *>("progressBar");
        QCOMPARE(list->model()->rowCount(), 2);

        QList<int> values;
        connect(dialog.runner(), &QmlDebugTranslationRunner::progressed, progress, [&] {
            // The dialog's own step runs first: it was connected first.
            values.append(progress->value());
            QVERIFY(!run->isEnabled() && !list->isEnabled());
        });
        QSignalSpy stopped(dialog.runner(), &QmlDebugTranslationRunner::stopped);
        run->click();
        QCOMPARE(view.generated, 1);
        QVERIFY(!run->isEnabled() && !list->isEnabled());
        QCOMPARE(QList<int>({ progress->minimum(), progress->value(), progress->maximum() }),
                 QList<int>({ 0, 0, (2 + 1) * 2 }));

        QVERIFY(stopped.wait(60000));
        QCOMPARE(values, (QList<int> { 1, 2, 3, 4, 5, 6 }));
        QVERIFY(run->isEnabled() && list->isEnabled());
        QCOMPARE(progress->value(), progress->maximum());
        QCOMPARE(view.stored, QList<QByteArray> { dialog.runner()->getResultJson() });
        // The project's screens get their frames too, in the default colours.
        QCOMPARE(view.highlighted, view.stored);
        QCOMPARE(view.colors,
                 (QList<QColor> { QColor(Qt::green), QColor(Qt::red), QColor(Qt::magenta) }));
        const QString report = m_project->filePath("translation_report_project.json");
        QCOMPARE(view.reports, QStringList { report });
        QVERIFY(QFile::exists(report));
        QVERIFY(!view.database->fetchTextElides(m_project->welcomeFile().toStdString()).empty());

        // The completed run can be drawn: two screens, two states each, two languages.
        auto visualReport = dialog.findChild<QPushButton *>("visualReportButton");
        QVERIFY(visualReport && visualReport->isEnabled());
        QTemporaryDir folder;
        QVERIFY(dialog.writeVisualReport(folder.path()));
        QVERIFY(QFile::exists(folder.filePath("index.html")));
        QCOMPARE(QDir(folder.path()).entryList({ "*.png" }).size(), 8);
    }

    void singleFileDialogRun()
    {
        LEXORA_REQUIRE_PREVIEW();
        const CurrentDocument current(m_project->settingsFile());
        RecordingView view;
        view.database = &m_project->database()->databaseIo();
        QmlDebugTranslationDialog dialog(&view);
        dialog.findChild<QCheckBox *>("showElideWarningCheckBox")->click();
        dialog.findChild<QCheckBox *>("generateQmFilesCheckBox")->click();
        auto run = dialog.findChild<QPushButton *>("runButton");
        QSignalSpy stopped(dialog.runner(), &QmlDebugTranslationRunner::stopped);
        run->click();
        QVERIFY(!run->isEnabled());
        QCOMPARE(view.generated, 0);
        QVERIFY(stopped.wait(60000));

        QVERIFY(run->isEnabled());
        QCOMPARE(view.highlighted.size(), 1);
        QCOMPARE(view.colors.size(), 3);
        QCOMPARE(view.colors.at(0), QColor(Qt::green));
        QCOMPARE(view.colors.at(1), QColor(Qt::red));
        QVERIFY(!view.colors.at(2).isValid());
        QCOMPARE(view.reports,
                 QStringList { m_project->filePath("translation_report_Settings.json") });
        // Only the open document was tested.
        const QJsonArray records = QJsonDocument::fromJson(view.stored.value(0)).array();
        QCOMPARE(records.size(), 2);
        for (const QJsonValue &record : records)
            QCOMPARE(record["componentPath"].toString(), m_project->settingsFile());
    }

    void unfinishedRunStoresNothing_data()
    {
        QTest::addColumn<bool>("project");
        QTest::addColumn<QString>("program");
        // Held: the generation runs until the test says whether it wrote the files.
        QTest::addColumn<bool>("held");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("said");
        for (const bool project : { false, true }) {
            const char *dialog = project ? "project" : "file";
            QTest::addRow("%s, no preview program after the generation", dialog)
                << project << "/nonexistent/preview" << true << true << "No preview program found";
            QTest::addRow("%s, generation failed", dialog)
                << project << "/nonexistent/preview" << true << false << "could not be generated";
            QTest::addRow("%s, silent preview", dialog)
                << project << "silent" << false << true << "did not answer for 1 second";
        }
    }

    void unfinishedRunStoresNothing()
    {
        QFETCH(bool, project);
        QFETCH(QString, program);
        QFETCH(bool, held);
        QFETCH(bool, written);
        QFETCH(QString, said);

        LEXORA_REQUIRE_PREVIEW();
        QTemporaryDir scripts;
        if (program == QLatin1String("silent"))
            program = writeSilentPreview(scripts.path());
        qputenv("LEXORA_PREVIEW_EXECUTABLE", program.toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("LEXORA_PREVIEW_EXECUTABLE"); });
        const CurrentDocument current(m_project->settingsFile());
        RecordingView view;
        view.database = &m_project->database()->databaseIo();
        view.holdGeneration = held;
        const auto [dialog, runner] = testDialog(project, &view);
        runner->setSilenceLimit(std::chrono::seconds(1));
        auto run = dialog->findChild<QPushButton *>("runButton");
        auto status = dialog->findChild<QLabel *>("runStatusLabel");
        QVERIFY(status);
        QSignalSpy stopped(runner, &QmlDebugTranslationRunner::stopped);
        run->click();
        QCOMPARE(view.generated, 1);
        if (held) {
            // The old .qm files are still there: nothing may be tested with them.
            QCOMPARE(runner->outcome(), QmlDebugTranslationRunner::Outcome::None);
            QVERIFY(!run->isEnabled());
            QVERIFY(view.pendingGeneration);
            view.pendingGeneration(written);
            // Without a program that is known at once.
            QCOMPARE(stopped.count(), written ? 1 : 0);
            QCOMPARE(runner->outcome(),
                     written ? QmlDebugTranslationRunner::Outcome::Stopped
                             : QmlDebugTranslationRunner::Outcome::None);
        }
        QVERIFY(!written || stopped.count() == 1 || stopped.wait(30000));
        QVERIFY(runner->getResultJson().isEmpty());
        QVERIFY(run->isEnabled());
        QVERIFY2(status->text().contains(said), qPrintable(status->text()));
        QVERIFY(view.stored.isEmpty() && view.highlighted.isEmpty() && view.reports.isEmpty());
        // A preview that never answered is not left running.
        QTRY_VERIFY(m_host->preview()->runningPreviews().isEmpty());
    }

private:
    std::unique_ptr<PreviewHost> m_host;
    std::unique_ptr<PreviewTestProject> m_project;
};

QTEST_MAIN(tst_TranslationDialogs)

#include "tst_translationdialogs.moc"
