#include "translationsview/recentscombobox.h"
#include "translationsview/translationsearchmodel.h"
#include "translationsview/translationssearchwidget.h"
#include "translationsview/translationsview.h"
#include "translationsview/translationsviewwidget.h"
#include "translationsview/translationswidget.h"
#include "translationsview/translationtableview.h"

#include "databaseaccess.h"
#include "databaseio/projectdatabase.h"
#include "fileservices.h"
#include "jsonimportexport.h"
#include "translationfileservices.h"

#include "brokenindex.h"
#include "messageboxcatcher.h"
#include "recordingfeedback.h"
#include "testfiles.h"

#include <designer/documentmodel.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/viewmanager.h>
#include <projects/projectnavigator.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <qmlproject/multilanguagesetting.h>
#include <qmlproject/qmlbuildbackend.h>
#include <sqlite/sqlitetransaction.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoGroup>

#include <functional>

using namespace Lexora;
using Host::Utils::Path;

namespace {

struct FileDialogAnswer
{
    QString title;
    QString directory;
    QStringList filters;
};

// Types `name` (relative to `directory`, or empty to cancel) into the next file dialog.
void answerFileDialog(FileDialogAnswer *seen, const QString &directory, const QString &name)
{
    whenModal([=](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        seen->title = dialog->windowTitle();
        seen->directory = dialog->directory().absolutePath();
        seen->filters = dialog->nameFilters();
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed into the name field, as a user does: selectFile() leaves the field
        // alone once it has the focus, and accepting the bare directory only opens it.
        dialog->setDirectory(directory);
        auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(nameField);
        nameField->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
        const bool closed = !dialog->isVisible();
        if (!closed)
            dialog->reject(); // fail instead of waiting for an answer that never comes
        QVERIFY2(closed, qPrintable(name));
    });
}

QStringList idsInJson(const QString &path)
{
    QStringList ids;
    for (const TranslatableEntry &entry : JsonImportExport().importFile(path))
        ids.append(QString::fromStdString(entry.translationTextId));
    ids.sort();
    return ids;
}

QAction *toolBarAction(TranslationsWidget *widget, const QString &text)
{
    for (QAction *action : widget->toolBar()->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QMenu *importExportMenu(TranslationsWidget *widget)
{
    for (QToolButton *button : widget->toolBar()->findChildren<QToolButton *>()) {
        if (button->toolTip() == QLatin1String("Import/Export"))
            return button->menu();
    }
    return nullptr;
}

const QByteArray mainQml
    = "import QtQuick\n"
      "Item {\n"
      "    Text { id: title; text: qsTrId(\"greeting\") }\n"
      "    Text { id: footer; text: qsTrId(\"farewell\") + qsTrId(\"greeting\") }\n"
      "    Rectangle { id: box; color: \"red\" }\n"
      "}\n";

// A project as the studio has it open: the .qmlproject file, QML files, the
// database, the view attached to Main.qml and the panel.
class Fixture
{
public:
    explicit Fixture(bool databaseSetting = true, const QString &locale = QString())
    {
        const QByteArray setting = databaseSetting ? "true" : "false";
        writeFile(m_dir.filePath("app.qmlproject"),
                  "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
                  "    supportedLanguages: [\"en\",\"de\",\"fr\"]\n    primaryLanguage: \"en\"\n"
                  "    translationDatabase: "
                      + setting + "\n}\n");
        writeFile(m_dir.filePath("Main.qml"), mainQml);
        writeFile(m_dir.filePath("screens/Other.qml"),
                  "import QtQuick\nText { text: qsTrId(\"other.only\") }\n");

        QString error;
        std::unique_ptr<Host::QmlProject::DesignProject> project
            = Host::QmlProject::DesignProject::open(
                Path::fromString(m_dir.filePath("app.qmlproject")), &error);
        m_project = project.release();
        Host::Projects::Session::instance()->addProject(m_project);
        Host::Projects::Session::instance()->setStartupProject(m_project);
        if (!locale.isEmpty())
            m_project->multiLanguageSetting()->setCurrentLocale(locale);
        Host::Projects::ProjectNavigator::instance()->setCurrentFilePath(
            Path::fromString(m_dir.filePath("screens/Other.qml")));

        m_database = std::make_unique<ProjectDatabase>(m_dir.filePath("translations.db"));
        DatabaseIo &io = m_database->databaseIo();
        for (const auto &[id, language, text] :
             { std::tuple { "greeting", "en", "Hello" },
               std::tuple { "greeting", "de", "Hallo" },
               std::tuple { "farewell", "en", "Goodbye" },
               std::tuple { "other.only", "en", "Other" },
               std::tuple { "unused", "de", "Kindergarten" },
               std::tuple { "unused.too", "de", "Kinderwagen" } }) {
            std::int64_t key = io.translatableId(id);
            if (key < 0)
                key = io.addTranslatable(id);
            io.updateTranslation(key, language, text);
        }
        m_access.setDatabaseIo(&io);

        m_view = std::make_unique<TranslationsView>(
            m_access, m_translationFileServices, m_fileServices, m_feedback);
        m_document.open(Path::fromString(m_dir.filePath("Main.qml")), &error);
        Host::Designer::ViewManager::instance()->setCurrentDocument(&m_document);
        m_document.model()->attachView(m_view.get());
        m_panel = qobject_cast<TranslationsViewWidget *>(m_view->widgetDescription().widget);
    }

    ~Fixture()
    {
        delete m_panel;
        if (m_view->isAttached())
            m_document.model()->detachView(m_view.get());
        Host::Designer::ViewManager::instance()->setCurrentDocument(nullptr);
        Host::Projects::Session::instance()->removeProject(m_project);
    }

    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    TranslationsViewWidget *panel() const { return m_panel; }
    TranslationsWidget *tab() const { return m_panel->translationsWidget(); }
    TranslationsView *view() const { return m_view.get(); }
    Host::QmlProject::DesignProject *project() const { return m_project; }
    Host::Designer::FormDocument &document() { return m_document; }
    DatabaseAccess &access() { return m_access; }
    // The fixture's rows as if imported: no local edit keeps them through a sync.
    void forgetLocalEdits()
    {
        Host::Sqlite::ImmediateTransaction transaction { m_database->database() };
        m_database->database().deleteSessions();
        transaction.commit();
    }

private:
    QTemporaryDir m_dir;
    Host::QmlProject::DesignProject *m_project = nullptr;
    std::unique_ptr<ProjectDatabase> m_database;
    JsonImportExport m_json;
    DatabaseAccess m_access { &m_json };
    RecordingFeedback m_feedback;
    TranslationFileServices m_translationFileServices { m_feedback };
    FileServices m_fileServices;
    Host::Designer::FormDocument m_document;
    std::unique_ptr<TranslationsView> m_view;
    TranslationsViewWidget *m_panel = nullptr;
};

QStringList tableIds(const QAbstractItemModel *model)
{
    QStringList ids;
    for (int row = 0; row < model->rowCount(); ++row)
        ids.append(model->index(row, 0).data().toString());
    return ids;
}

} // namespace

class tst_TranslationsPanel : public QObject
{
    Q_OBJECT

private slots:
    void toolBar()
    {
        Fixture fixture;
        QVERIFY(fixture.panel());
        const QList<QAction *> actions = fixture.tab()->toolBar()->actions();
        QCOMPARE(actions.size(), 9);
        const QStringList texts { "",
                                  "Select supported languages for the project",
                                  "",
                                  "Export translations to JSON file",
                                  "Import translations from JSON file",
                                  "Generate translation files, both .qm and .ts",
                                  "Run Project Translation Test",
                                  "Run Qml Translation Test",
                                  "" };
        QList<QImage> icons;
        for (int i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->text(), texts[i]);
            if (texts[i].isEmpty())
                continue;
            QCOMPARE(actions[i]->toolTip(), texts[i]);
            const QIcon icon = actions[i]->icon();
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.availableSizes().value(0), QSize(28, 28));
            icons.append(icon.pixmap(28).toImage());
        }
        for (int i = 0; i < icons.size(); ++i) {
            for (int j = i + 1; j < icons.size(); ++j)
                QVERIFY(icons[i] != icons[j]);
        }
        QCOMPARE(fixture.panel()->tabWidget()->count(), 2);
        QCOMPARE(fixture.panel()->tabWidget()->tabText(0), "Translations");
        QCOMPARE(fixture.panel()->tabWidget()->tabText(1), "Search Translations");

        QMenu *menu = importExportMenu(fixture.tab());
        QVERIFY(menu);
        QCOMPARE(menu->title(), "Import/Export");
        // Both directions: the tool bar's own import and export, then the
        // narrower exports.
        QStringList entries;
        for (QAction *action : menu->actions())
            entries.append(action->isSeparator() ? QStringLiteral("|") : action->text());
        QCOMPARE(entries,
                 (QStringList { "Import translations from JSON file",
                                "Export translations to JSON file",
                                "|",
                                "Export used translations to JSON",
                                "Export current documents translations to JSON" }));
        QCOMPARE(menu->actions()[0], actions[4]);
        QCOMPARE(menu->actions()[1], actions[3]);
    }

    void exports_data()
    {
        QTest::addColumn<int>("command"); // 0 all, 1 used in project, 2 current document
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("ids");

        const QStringList all { "farewell", "greeting", "other.only", "unused", "unused.too" };
        QTest::newRow("all, no extension") << 0 << "all"
                                           << "all.json"
                                           << "Export All Translations" << all;
        QTest::newRow("all, upper-case extension") << 0 << "all.JSON"
                                                   << "all.JSON"
                                                   << "Export All Translations" << all;
        QTest::newRow("all, other extension") << 0 << "all.txt"
                                              << "all.txt.json"
                                              << "Export All Translations" << all;
        QTest::newRow("used in the project")
            << 1 << "used"
            << "used.json"
            << "Export Used Translations for Current Project"
            << QStringList { "farewell", "greeting", "other.only" };
        QTest::newRow("current document")
            << 2 << "document.json"
            << "document.json"
            << "Export Currrent Document Translations" << QStringList { "farewell", "greeting" };
    }

    void exports()
    {
        QFETCH(int, command);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, title);
        QFETCH(QStringList, ids);

        Fixture fixture;
        const QString target = fixture.path("exports");
        QVERIFY(QDir().mkpath(target));
        FileDialogAnswer seen;
        answerFileDialog(&seen, target, typed);
        QMenu *menu = importExportMenu(fixture.tab());
        switch (command) {
        case 0:
            toolBarAction(fixture.tab(), "Export translations to JSON file")->trigger();
            break;
        case 1:
            menu->actions()[3]->trigger();
            break;
        case 2:
            menu->actions()[4]->trigger();
            break;
        }
        QCOMPARE(seen.title, title);
        // The first dialog opens where the project tree's current file is.
        QCOMPARE(seen.directory, QFileInfo(fixture.path("screens")).absoluteFilePath());
        QVERIFY2(QFile::exists(target + "/" + written), qPrintable(written));
        QCOMPARE(QDir(target).entryList(QDir::Files).size(), 1);
        // Each ID once, although the document and the project use some twice.
        QCOMPARE(idsInJson(target + "/" + written), ids);

        // Every later dialog opens in the chosen file's directory; cancelling does nothing.
        FileDialogAnswer next;
        answerFileDialog(&next, QString(), QString());
        toolBarAction(fixture.tab(), "Import translations from JSON file")->trigger();
        QCOMPARE(next.title, "Import And Sync Translations");
        QCOMPARE(next.directory, QFileInfo(target).absoluteFilePath());
        QCOMPARE(QDir(target).entryList(QDir::Files).size(), 1);
    }

    // A sync from JSON keeps what was edited here; a Qt Linguist file adds what
    // it holds as finished and leaves every other ID and language as it was.
    void imports_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("farewell");
        QTest::addColumn<QString>("greeting");

        QTest::newRow("JSON, local edits survive")
            << "agency.json"
            << QByteArray(
                   R"({"translatables":[{"trId":"greeting","translations":[{"language":"de",
                "translation":"Servus"},{"language":"en","translation":"Hi"}]},
                {"trId":"farewell","translations":[{"language":"de","translation":"Tschüss"}]}]})")
            << QString::fromUtf8("Tschüss") << "Hallo";
        QTest::newRow("Linguist file") << "app_de.ts"
                                       << QByteArray(R"(<?xml version="1.0" encoding="utf-8"?>
<TS version="2.1" language="de_DE"><context><name></name>
<message id="greeting"><source>Hello</source><translation>Servus</translation></message>
<message id="farewell"><source>Bye</source><translation type="unfinished">Ade</translation></message>
</context></TS>)") << QString() << "Servus";
    }

    void imports()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, farewell);
        QFETCH(QString, greeting);

        Fixture fixture;
        fixture.tab()->languageSelector()->setCurrentIndex(
            fixture.tab()->languageSelector()->findData("de"));
        QAbstractItemModel *table = fixture.tab()->tableView()->model();
        QCOMPARE(tableIds(table), (QStringList { "farewell", "greeting" }));
        QCOMPARE(table->index(1, 2).data().toString(), "Hallo");

        QVERIFY(writeFile(fixture.path("incoming/" + name), contents));
        FileDialogAnswer seen;
        answerFileDialog(&seen, fixture.path("incoming"), name);
        toolBarAction(fixture.tab(), "Import translations from JSON file")->trigger();
        QCOMPARE(seen.title, "Import And Sync Translations");
        QVERIFY2(seen.filters.first().contains("*.ts"), qPrintable(seen.filters.join(", ")));
        QCOMPARE(table->index(0, 2).data().toString(), farewell);
        QCOMPARE(table->index(1, 1).data().toString(), "Hello");
        QCOMPARE(table->index(1, 2).data().toString(), greeting);
    }

    // Counted over the database's five IDs, for the chosen language beside the
    // selector and for every project language in the tool tip; an edit counts.
    void coverageBesideLanguageSelector_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");

        QTest::newRow("de") << "de"
                            << "3 / 5 (60.0 %)"
                            << "4 / 5 (80.0 %)";
        QTest::newRow("fr") << "fr"
                            << "0 / 5 (0.0 %)"
                            << "1 / 5 (20.0 %)";
    }

    void coverageBesideLanguageSelector()
    {
        QFETCH(QString, language);
        QFETCH(QString, before);
        QFETCH(QString, after);

        QLocale::setDefault(QLocale::c());
        Fixture fixture;
        auto *selector = fixture.tab()->languageSelector();
        selector->setCurrentIndex(selector->findData(language));
        QLabel *coverage = fixture.tab()->coverageLabel();
        QTRY_COMPARE(coverage->text(), before);
        QVERIFY2(coverage->toolTip().contains("3 / 5 (60.0 %)")
                     && coverage->toolTip().contains("0 / 5 (0.0 %)"),
                 qPrintable(coverage->toolTip()));

        QAbstractItemModel *table = fixture.tab()->tableView()->model();
        QCOMPARE(tableIds(table), (QStringList { "farewell", "greeting" }));
        QVERIFY(table->setData(table->index(0, 2), QStringLiteral("Au revoir / Tschüss")));
        QTRY_COMPARE(coverage->text(), after);
    }

    // A file without IDs would empty the database: the panel asks first.
    void importOfNoIdsAsks_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("kept on No") << false;
        QTest::newRow("emptied on Yes") << true;
    }

    void importOfNoIdsAsks()
    {
        QFETCH(bool, confirm);
        Fixture fixture;
        fixture.forgetLocalEdits();
        QAbstractItemModel *table = fixture.tab()->tableView()->model();
        QCOMPARE(table->index(1, 1).data().toString(), "Hello");

        const QString file = fixture.path("incoming/empty.json");
        QVERIFY(writeFile(file, R"({"translatables": []})"));
        QString question;
        whenModal([&question, confirm](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            question = box->windowTitle();
            box->button(confirm ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        fixture.view()->importAndSyncTranslations(file);
        QCOMPARE(question, "Remove all translations?");
        QCOMPARE(table->index(1, 1).data().toString(), confirm ? QString() : QString("Hello"));
    }

    void languageSelector_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("current");

        // Rows: three recent slots, separator, then by name: English, French, German.
        QTest::newRow("project language") << "fr"
                                          << "fr";
        QTest::newRow("not a project language") << "ja"
                                                << "en";
        QTest::newRow("case matters") << "DE"
                                      << "en";
    }

    void languageSelector()
    {
        QFETCH(QString, locale);
        QFETCH(QString, current);

        Fixture fixture(true, locale);
        RecentsComboBox *selector = fixture.tab()->languageSelector();
        QCOMPARE(fixture.tab()->currentLanguageCode(), current);
        if (current == "en")
            QCOMPARE(selector->currentIndex(), 4);
        QCOMPARE(selector->itemText(4), "English");
        for (int row = 4; row < selector->count(); ++row)
            QVERIFY(!selector->itemIcon(row).isNull());
    }

    void choosingLanguage()
    {
        Fixture fixture;
        RecentsComboBox *selector = fixture.tab()->languageSelector();
        QSignalSpy changed(fixture.tab(), &TranslationsWidget::currentLanguageChanged);
        const int german = selector->findData("de");
        QVERIFY(german > 4);
        selector->setCurrentIndex(german);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toString(), "de");
        QCOMPARE(fixture.tab()->tableView()->model()->index(1, 2).data().toString(), "Hallo");
        QCOMPARE(fixture.document().model()->rootNode()->auxiliaryData("language@Internal"),
                 QVariant("de"));
        // The recent entry leads to the same language and changes nothing.
        selector->setCurrentIndex(selector->findData("fr"));
        selector->setCurrentIndex(1);
        QCOMPARE(changed.last()[0].toString(), "de");
        QCOMPARE(selector->itemData(0, Qt::UserRole).toString(), "fr");
        QCOMPARE(selector->itemData(1, Qt::UserRole).toString(), "de");
    }

    void multiLanguageQuestion()
    {
        Fixture fixture(false);
        int asked = 0;
        const auto answerWith = [&asked](QMessageBox::StandardButton button) {
            whenModal([&asked, button](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                QCOMPARE(box->windowTitle(), "Use of Lexora database is disabled.");
                ++asked;
                box->button(button)->click();
            });
        };
        // Asked each time the panel shows, until the answer is Yes.
        for (const auto button : { QMessageBox::No, QMessageBox::No, QMessageBox::Yes }) {
            const int before = asked;
            answerWith(button);
            fixture.panel()->show();
            QTRY_COMPARE(asked, before + 1);
            QCOMPARE(fixture.project()->multiLanguageSetting()->value(),
                     button == QMessageBox::Yes);
            fixture.panel()->hide();
        }
        QVERIFY(readFile(fixture.path("app.qmlproject")).contains("translationDatabase: true"));
        fixture.panel()->show();
        QTest::qWait(100);
        QCOMPARE(asked, 3);
        fixture.panel()->hide();
    }

    // The project's languages keep their order in the file (the dialog lists
    // them by name); a file that cannot be edited stays as it is, and the user
    // is told.
    void selectLanguages_data()
    {
        QTest::addColumn<QStringList>("unchecked");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QByteArray>("onDisk"); // replaces the project file first
        QTest::addColumn<QStringList>("expected"); // empty: the file is refused

        QTest::newRow("unchanged")
            << QStringList() << QStringList() << QByteArray() << QStringList { "en", "de", "fr" };
        QTest::newRow("one added") << QStringList() << QStringList { "ja" } << QByteArray()
                                   << QStringList { "en", "de", "fr", "ja" };
        QTest::newRow("removed and added")
            << QStringList { "en", "fr" } << QStringList { "ja", "ar" } << QByteArray()
            << QStringList { "de", "ja", "ar" };
        QTest::newRow("first removed")
            << QStringList { "en" } << QStringList() << QByteArray() << QStringList { "de", "fr" };
        QTest::newRow("file does not parse")
            << QStringList { "fr" } << QStringList() << QByteArray("Project {\n    mainFile: [\n")
            << QStringList();
    }

    void selectLanguages()
    {
        QFETCH(QStringList, unchecked);
        QFETCH(QStringList, checked);
        QFETCH(QByteArray, onDisk);
        QFETCH(QStringList, expected);

        Fixture fixture;
        const QString path = fixture.path("app.qmlproject");
        if (!onDisk.isEmpty())
            QVERIFY(writeFile(path, onDisk));
        const QByteArray before = readFile(path);
        whenModal([=](QWidget *modal) {
            auto *dialog = qobject_cast<QDialog *>(modal);
            QVERIFY(dialog);
            auto *all = dialog->findChild<QAbstractItemView *>("allLanguagesListView");
            QVERIFY(all);
            QAbstractItemModel *model = all->model();
            const auto check = [model](const QString &code, Qt::CheckState state) {
                const QModelIndexList found
                    = model->match(model->index(0, 0), Qt::UserRole, code, 1, Qt::MatchExactly);
                QCOMPARE(found.size(), 1);
                model->setData(found.first(), state, Qt::CheckStateRole);
            };
            for (const QString &code : unchecked)
                check(code, Qt::Unchecked);
            for (const QString &code : checked)
                check(code, Qt::Checked);
            dialog->accept();
        });
        MessageBoxCatcher catcher;
        if (expected.isEmpty()) {
            for (const char *warning :
                 { "Could not save qmlproject file", "File path: ", "Reason: " })
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        }
        toolBarAction(fixture.tab(), "Select supported languages for the project")->trigger();
        const QByteArray file = readFile(path);
        if (expected.isEmpty()) {
            QCOMPARE(file, before);
            QTRY_COMPARE(catcher.titles, QStringList { "Project Languages Not Saved" });
            QVERIFY2(catcher.texts.constFirst().contains("Cannot parse the project file"),
                     qPrintable(catcher.texts.constFirst()));
            return;
        }
        QVERIFY(catcher.seen.isEmpty());
        const QByteArray line
            = "    supportedLanguages: [\"" + expected.join("\",\"").toUtf8() + "\"]\n";
        QVERIFY2(file.contains(line), file.constData());
        QVERIFY(file.contains("    primaryLanguage: \"en\"\n"));
        // The studio and the selector follow.
        QCOMPARE(fixture.project()->buildBackend()->supportedLanguages(), expected);
        for (const QString &code : unchecked)
            QCOMPARE(fixture.tab()->languageSelector()->findData(code), -1);
        for (const QString &code : expected)
            QVERIFY(fixture.tab()->languageSelector()->findData(code) >= 0);

        // Edit > Undo gives the project its languages back, everywhere.
        const QStringList original { "en", "de", "fr" };
        QUndoGroup *group = Host::Core::Workbench::undoGroup();
        QCOMPARE(group->canUndo(), original != expected);
        if (!group->canUndo())
            return;
        group->undo();
        QCOMPARE(readFile(path), before);
        QCOMPARE(fixture.project()->buildBackend()->supportedLanguages(), original);
        for (const QString &code : original)
            QVERIFY(fixture.tab()->languageSelector()->findData(code) >= 0);
        group->redo();
        QVERIFY2(readFile(path).contains(line), readFile(path).constData());
        QCOMPARE(fixture.project()->buildBackend()->supportedLanguages(), expected);
    }

    void testCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("objectName"); // also the class name
        QTest::addColumn<QString>("title");

        QTest::newRow("project test") << "Run Project Translation Test"
                                      << "ProjectTranslationTesterDialog"
                                      << "Project Translation Tester";
        QTest::newRow("document test") << "Run Qml Translation Test"
                                       << "QmlDebugTranslationDialog"
                                       << "Translation Tester";
    }

    // Each test command opens its own dialog over the panel, modal, and leaves
    // nothing behind once the user closes it.
    void testCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, objectName);
        QFETCH(QString, title);

        Fixture fixture;
        QAction *action = toolBarAction(fixture.tab(), command);
        QVERIFY(action);
        const auto openDialogs = [&objectName] {
            QList<QWidget *> found;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == objectName && widget->isVisible())
                    found.append(widget);
            }
            return found;
        };
        QCOMPARE(openDialogs().size(), 0);

        bool seen = false;
        QPointer<QWidget> shown;
        whenModal([&](QWidget *modal) {
            const QList<QWidget *> dialogs = openDialogs();
            QCOMPARE(dialogs.size(), 1);
            QCOMPARE(dialogs.first(), modal);
            QCOMPARE(QString::fromLatin1(modal->metaObject()->className()),
                     "Lexora::" + objectName);
            QCOMPARE(modal->windowTitle(), title);
            QVERIFY(modal->isModal());
            QCOMPARE(modal->parentWidget(), fixture.tab());
            shown = modal;
            seen = true;
            modal->close();
        });
        action->trigger();
        QVERIFY(seen);
        QVERIFY(shown.isNull());
        QCOMPARE(openDialogs().size(), 0);
    }

    void search_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("red");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<bool>("noResults");

        // What the queries find is the search model's test; here: the field and the table.
        QTest::newRow("unbalanced quote") << "\"hal" << true << QStringList() << false;
        QTest::newRow("prefix") << "hal*" << false << QStringList { "greeting" } << false;
        QTest::newRow("punctuation, nothing found") << "Wi-Fi" << false << QStringList() << true;
    }

    void search()
    {
        QFETCH(QString, typed);
        QFETCH(bool, red);
        QFETCH(QStringList, ids);
        QFETCH(bool, noResults);

        Fixture fixture;
        TranslationsSearchWidget *search = fixture.panel()->searchWidget();
        QCOMPARE(search->searchField()->placeholderText(), "sear* ter*");
        QTest::keyClicks(search->searchField(), "\"");
        QCOMPARE(search->searchField()->styleSheet(), "color: red");
        search->searchField()->clear();
        QTest::keyClicks(search->searchField(), typed);
        QCOMPARE(search->searchField()->styleSheet(), red ? "color: red" : "");
        QStringList found = tableIds(search->resultTable()->model());
        found.sort();
        QCOMPARE(found, ids);
        QCOMPARE(search->noResultsLabel()->isVisibleTo(search), noResults);
        QCOMPARE(search->noResultsLabel()->text(), "No results");
        // The next valid text clears the red.
        search->searchField()->clear();
        QTest::keyClicks(search->searchField(), "goodbye");
        QCOMPARE(search->searchField()->styleSheet(), "");
        QCOMPARE(tableIds(search->resultTable()->model()), QStringList { "farewell" });
        QVERIFY(!search->noResultsLabel()->isVisibleTo(search));
    }

    void searchFailureIsShown()
    {
        Fixture fixture;
        TranslationsSearchWidget *search = fixture.panel()->searchWidget();
        QTest::keyClicks(search->searchField(), "hal*");
        QCOMPARE(search->resultTable()->model()->rowCount(), 1);
        // The database breaks between two searches, as on a bad disk: not a query error.
        QVERIFY(breakFullTextIndex(fixture.path("translations.db")));
        MessageBoxCatcher catcher;
        QTest::keyClicks(search->searchField(), " ");
        QCOMPARE(catcher.icons, QList { QMessageBox::Critical });
        QVERIFY2(catcher.texts.value(0).contains("database disk image is malformed"),
                 qPrintable(catcher.texts.value(0)));
        QCOMPARE(search->resultTable()->model()->rowCount(), 0);
    }

    void contextMenu_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("entries");

        QTest::newRow("nothing selected") << QStringList() << QStringList { "<invalid selection>" };
        QTest::newRow("two selected")
            << QStringList { "title", "footer" } << QStringList { "<invalid selection>" };
        QTest::newRow("no string binding")
            << QStringList { "box" } << QStringList { "<no string properties>" };
        QTest::newRow("text item")
            << QStringList { "title" } << QStringList { "Set property ...", "text" };
    }

    void contextMenu()
    {
        QFETCH(QStringList, selected);
        QFETCH(QStringList, entries);

        Fixture fixture;
        QList<Host::Designer::Node *> nodes;
        for (const QString &id : selected)
            nodes.append(fixture.document().model()->nodeForId(id));
        fixture.document().model()->setSelectedNodes(nodes);

        TranslationsSearchWidget *search = fixture.panel()->searchWidget();
        search->resize(600, 300);
        QTest::keyClicks(search->searchField(), "kindergarten");
        QCOMPARE(search->resultTable()->model()->rowCount(), 1);
        const QPoint row = search->resultTable()
                               ->visualRect(search->resultTable()->model()->index(0, 1))
                               .center();
        QVERIFY(!search->createContextMenu(QPoint(590, 290)));
        std::unique_ptr<QMenu> menu(search->createContextMenu(row));
        QVERIFY(menu);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(action->text());
        QCOMPARE(texts, entries);
        if (entries.size() == 1) {
            QVERIFY(!menu->actions().first()->isEnabled());
            return;
        }
        menu->actions().last()->trigger();
        Host::Designer::Node *title = fixture.document().model()->nodeForId("title");
        QCOMPARE(title->property("text").expression(), "qsTrId(\"unused\")");
        QVERIFY(fixture.document().document()->toPlainText().contains(
            "Text { id: title; text: qsTrId(\"unused\") }"));
    }
};

QTEST_MAIN(tst_TranslationsPanel)
#include "tst_translationspanel.moc"
