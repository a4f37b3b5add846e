#include "messageboxcatcher.h"
#include "testfiles.h"

#include "databaseaccess.h"
#include "databaseio/projectdatabase.h"
#include "exception.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "jsonimportexport.h"
#include "translationfileservices.h"
#include "translationsview/recentscombobox.h"
#include "translationsview/translationfiltermodel.h"
#include "translationsview/translationitemdelegate.h"
#include "translationsview/translationsmodel.h"
#include "translationsview/translationstatusmodel.h"
#include "translationsview/translationsview.h"
#include "translationsview/translationsviewwidget.h"
#include "translationsview/translationswidget.h"
#include "translationsview/translationtableview.h"
#include "userfeedback.h"

#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <projects/issuelist.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QHeaderView>
#include <QJSEngine>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTranslator>
#include <QUndoGroup>

using namespace Lexora;
using Host::Designer::FormDocument;
using Host::Designer::Node;

namespace {

QStringList toStrings(const TranslationIds &ids)
{
    QStringList strings;
    for (const std::string &id : ids)
        strings.append(QString::fromStdString(id));
    return strings;
}

QString item(const QString &id, const QString &expression)
{
    return QStringLiteral("    Text {\n        id: %1\n        text: %2\n    }\n")
        .arg(id, expression);
}

QString document(const QString &items)
{
    return QStringLiteral("import QtQuick\n\nItem {\n    id: root\n") + items
        + QStringLiteral("}\n");
}

enum class WriteTrouble { ReadOnlyFile, TableGone, IdAddedElsewhere };
using Status = TranslationStatusModel::Status;
using Statuses = TranslationStatusModel::Statuses;
using Show = TranslationFilterModel::Show;
constexpr auto reportToQtTest = QAbstractItemModelTester::FailureReportingMode::QtTest;

QByteArray testResult(const char *translationId, bool missing, bool exceeds)
{
    return QStringLiteral("[{\"translationId\": \"%1\", \"componentPath\": \"/p/Main.qml\", "
                          "\"state\": \"\", \"sceneId\": \"s\", \"metaData\": "
                          "[{\"Missing\": %2, "
                          "\"Exceeds\": %3, \"sourceLocation\": {\"line\": 3, \"column\": "
                          "5}}]}]")
        .arg(QLatin1String(translationId),
             QLatin1String(missing ? "true" : "false"),
             QLatin1String(exceeds ? "true" : "false"))
        .toUtf8();
}

// The editor the table shows, once it shows one.
QLineEdit *openEditor(QAbstractItemView *table)
{
    for (QLineEdit *editor : table->viewport()->findChildren<QLineEdit *>()) {
        if (editor->isVisible())
            return editor;
    }
    return nullptr;
}

} // namespace

enum Step {
    RemoveFirstUser,
    RemoveBothUsers,
    ChangeArgument,
    EditArgumentText,
    RemoveBindingProperty,
    RemoveParentOfUser,
    EditTextBreakingStructure
};
Q_DECLARE_METATYPE(Step)

class tst_TranslationsView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The table keeps its column width in the settings; never in the user's.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        Host::Core::Workbench::setMainWindow(&m_mainWindow);
        const QString projectFile = m_dir.filePath(QStringLiteral("app.qmlproject"));
        QVERIFY(writeFile(
            projectFile,
            "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
            "    supportedLanguages: [\"en\", \"de\", \"ar\"]\n    primaryLanguage: \"en\"\n}\n"));
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("Main.qml")),
                          "import QtQuick\nItem {\n    Text { text: qsTrId(\"main.title\") }\n"
                          "    Text { text: qsTrId(\"main.title\") + qsTrId(\"main.sub\") }\n}\n"));
        QString error;
        auto project = Host::QmlProject::DesignProject::open(
            Host::Utils::Path::fromString(projectFile), &error);
        QVERIFY2(project, qPrintable(error));
        m_project = project.get();
        Host::Projects::Session::instance()->addProject(project.release());
        Host::Projects::Session::instance()->setStartupProject(m_project);
    }

    void init()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("translations.db")));
        m_database
            = std::make_unique<ProjectDatabase>(m_dir.filePath(QStringLiteral("translations.db")));
        m_access = std::make_unique<DatabaseAccess>(&m_json, &m_database->databaseIo());
        m_runner = std::make_unique<GenerationRunner>([this] {
            return GenerationServices {
                &m_translationFileServices, m_access->databaseIo(), &m_fileServices, &m_feedback
            };
        });
        m_view = std::make_unique<TranslationsView>(
            *m_access, m_translationFileServices, m_fileServices, m_feedback, m_runner.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(m_view->translationsModel(),
                                                              reportToQtTest);
        m_document = std::make_unique<FormDocument>();
    }

    void cleanup()
    {
        m_panel.reset();
        m_document.reset();
        m_tester.reset();
        m_view.reset();
        m_runner.reset();
        m_access.reset();
        m_database.reset();
    }

    void attachCollectsIds_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<QStringList>("expectedIds");
        QTest::addColumn<QStringList>("expectedRows");

        QTest::newRow("no bindings") << item("a", "\"plain\"") << QStringList {} << QStringList {};
        QTest::newRow("two calls added")
            << item("a", "qsTrId(\"first\") + \" \" + qsTrId(\"second\")")
            << QStringList { "first", "second" } << QStringList { "first", "second" };
        QTest::newRow("qsTr contributes none")
            << item("a", "qsTr(\"hello\")") + item("b", "qsTranslate(\"C\", \"x\")")
            << QStringList {} << QStringList {};
        QTest::newRow("three uses, one row")
            << item("a", "qsTrId(\"same\")") + item("b", "qsTrId(\"same\")")
                + item("c", "qsTrId(\"same\")")
            << QStringList { "same", "same", "same" } << QStringList { "same" };
        QTest::newRow("literal text is no binding")
            << item("a", "\"qsTrId(\\\"quoted\\\")\"") << QStringList {} << QStringList {};
        QTest::newRow("sorted bytewise")
            << item("a", "qsTrId(\"b\")") + item("b", "qsTrId(\"B\")") + item("c", "qsTrId(\"a_\")")
                + item("d", "qsTrId(\"a\")") + item("e", "qsTrId(\"\xc3\xa9\")")
            << QStringList { "B", "a", "a_", "b", QString::fromUtf8("\xc3\xa9") }
            << QStringList { "B", "a", "a_", "b", QString::fromUtf8("\xc3\xa9") };
        QTest::newRow("escapes mean what the engine reads")
            << item("a", "qsTrId(\"say \\\"hi\\\"\\t\\u00e9\\x41\\u{1F600}\\q\")")
            << QStringList { QString::fromUtf8("say \"hi\"\t\xc3\xa9"
                                               "A\xf0\x9f\x98\x80q") }
            << QStringList { QString::fromUtf8("say \"hi\"\t\xc3\xa9"
                                               "A\xf0\x9f\x98\x80q") };
        QTest::newRow("declared property and nested object")
            << QStringLiteral("    property string p: qsTrId(\"declared\")\n    Item {\n")
                + item("n", "qsTrId(\"nested\")") + QStringLiteral("    }\n")
            << QStringList { "declared", "nested" } << QStringList { "declared", "nested" };
    }

    void attachCollectsIds()
    {
        QFETCH(QString, items);
        QFETCH(QStringList, expectedIds);
        QFETCH(QStringList, expectedRows);

        addTranslation("first", "en", "First");
        attach(document(items));
        QCOMPARE(toStrings(m_view->translationIds()), expectedIds);
        QCOMPARE(tableIds(), expectedRows);
        QCOMPARE(m_view->translationsModel()->columnCount(), 3);
        QCOMPARE(m_view->translationsModel()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Translation ID"));
        QCOMPARE(m_view->translationsModel()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("English"));
        QCOMPARE(m_view->translationsModel()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Translation"));
        if (expectedRows.contains("first")) {
            // Known IDs come with the database's translation.
            QCOMPARE(m_view->translationsModel()->index(0, 1).data().toString(),
                     QStringLiteral("First"));
        }
    }

    void followsChanges_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<QStringList>("expectedIds");
        QTest::addColumn<QStringList>("expectedRows");
        QTest::addColumn<int>("removedRows");
        QTest::addColumn<int>("insertedRows");

        QTest::newRow("delete one of two users keeps the row")
            << RemoveFirstUser << QStringList { "other", "shared" }
            << QStringList { "other", "shared" } << 0 << 0;
        QTest::newRow("delete the second user removes it")
            << RemoveBothUsers << QStringList { "other" } << QStringList { "other" } << 1 << 0;
        QTest::newRow("changed argument through the model")
            << ChangeArgument << QStringList { "renamed", "shared", "shared" }
            << QStringList { "renamed", "shared" } << 1 << 1;
        QTest::newRow("changed argument in the text")
            << EditArgumentText << QStringList { "renamed", "shared", "shared" }
            << QStringList { "renamed", "shared" } << 1 << 1;
        QTest::newRow("binding removed")
            << RemoveBindingProperty << QStringList { "shared", "shared" }
            << QStringList { "shared" } << 1 << 0;
        QTest::newRow("parent of a user removed")
            << RemoveParentOfUser << QStringList { "shared", "shared" } << QStringList { "shared" }
            << 1 << 0;
        QTest::newRow("text edit adding an object")
            << EditTextBreakingStructure << QStringList { "added", "other", "shared", "shared" }
            << QStringList { "added", "other", "shared" } << 0 << 1;
    }

    void followsChanges()
    {
        QFETCH(Step, step);
        QFETCH(QStringList, expectedIds);
        QFETCH(QStringList, expectedRows);
        QFETCH(int, removedRows);
        QFETCH(int, insertedRows);

        addTranslation("renamed", "en", "Renamed");
        attach(document(item("a", "qsTrId(\"shared\")") + item("b", "qsTrId(\"shared\")")
                        + QStringLiteral("    Item {\n        id: box\n")
                        + item("c", "qsTrId(\"other\")") + QStringLiteral("    }\n")));
        QCOMPARE(tableIds(), (QStringList { "other", "shared" }));

        auto *model = m_document->model();
        QSignalSpy removed(m_view->translationsModel(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(m_view->translationsModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_view->translationsModel(), &QAbstractItemModel::modelReset);

        auto replaceText = [&](const QString &from, const QString &to) {
            const int position = int(m_document->document()->toPlainText().indexOf(from));
            QVERIFY(position >= 0);
            QTextCursor cursor(m_document->document());
            cursor.setPosition(position);
            cursor.setPosition(position + int(from.size()), QTextCursor::KeepAnchor);
            cursor.insertText(to);
            QVERIFY(m_document->rewriter()->synchronizeWithText());
        };

        if (step == RemoveFirstUser || step == RemoveBothUsers)
            QVERIFY(model->removeNode(model->nodeForId("a")));
        if (step == RemoveBothUsers) {
            QCOMPARE(tableIds(), (QStringList { "other", "shared" }));
            QVERIFY(model->removeNode(model->nodeForId("b")));
        }
        if (step == ChangeArgument)
            QVERIFY(
                model->setBindingProperty(model->nodeForId("c"), "text", "qsTrId(\"renamed\")"));
        if (step == EditArgumentText)
            replaceText("qsTrId(\"other\")", "qsTrId(\"renamed\")");
        if (step == RemoveBindingProperty)
            QVERIFY(model->removeProperties({ model->nodeForId("c")->property("text") }));
        if (step == RemoveParentOfUser)
            QVERIFY(model->removeNode(model->nodeForId("box")));
        if (step == EditTextBreakingStructure)
            replaceText("id: root\n", "id: root\n    Text { text: qsTrId(\"added\") }\n");

        QCOMPARE(toStrings(m_view->translationIds()), expectedIds);
        QCOMPARE(tableIds(), expectedRows);
        if (step != EditTextBreakingStructure) {
            QCOMPARE(removed.size(), removedRows);
            QCOMPARE(inserted.size(), insertedRows);
            QCOMPARE(reset.size(), 0);
        }
        const int renamedRow = int(expectedRows.indexOf("renamed"));
        if (renamedRow >= 0) {
            QCOMPARE(m_view->translationsModel()->index(renamedRow, 1).data().toString(),
                     QStringLiteral("Renamed"));
            QVERIFY(m_view->translationsModel()->index(renamedRow, 0).flags() & Qt::ItemIsEnabled);
        }
    }

    void setTranslationBinding_data()
    {
        QTest::addColumn<QString>("translationId");
        QTest::addColumn<QString>("expectedCall");

        QTest::newRow("plain") << "menu.open"
                               << "qsTrId(\"menu.open\")";
        QTest::newRow("quote") << "say \"hi\""
                               << "qsTrId(\"say \\\"hi\\\"\")";
        QTest::newRow("backslash") << "a\\b"
                                   << "qsTrId(\"a\\\\b\")";
        QTest::newRow("trailing backslash") << "end\\"
                                            << "qsTrId(\"end\\\\\")";
        QTest::newRow("non-ASCII") << QString::fromUtf8("gr\xc3\xbc\xc3\x9f")
                                   << QString::fromUtf8("qsTrId(\"gr\xc3\xbc\xc3\x9f\")");
    }

    void setTranslationBinding()
    {
        QFETCH(QString, translationId);
        QFETCH(QString, expectedCall);

        const QString original = document(QStringLiteral("    Text {\n        id: label\n    }\n"));
        attach(original);
        auto *model = m_document->model();
        model->setSelectedNodes({ model->nodeForId("label") });
        QSignalSpy inserted(m_view->translationsModel(), &QAbstractItemModel::rowsInserted);
        m_view->setTranslationBinding(translationId, QStringLiteral("text"));
        QCOMPARE(inserted.size(), 1);

        // Edit > Undo takes the binding away again, Redo brings it back.
        QUndoStack *stack = m_view->translationsModel()->undoStack();
        QCOMPARE(stack->count(), 1);
        stack->undo();
        QCOMPARE(m_document->document()->toPlainText(), original);
        stack->redo();
        const QString text = m_document->document()->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("text: ") + expectedCall), qPrintable(text));
        // The text still parses, and the literal means the ID itself.
        FormDocument reparsed;
        QString error;
        QVERIFY2(reparsed.setText(text, &error), qPrintable(error));
        QJSEngine engine;
        const QString literal = expectedCall.mid(7, expectedCall.size() - 8);
        QCOMPARE(engine.evaluate(literal).toString(), translationId);

        // The row is the ID itself, not its escaped spelling.
        QCOMPARE(tableIds(), QStringList { translationId });
    }

    void stringPropertyNames_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<QStringList>("selectedIds");
        QTest::addColumn<QStringList>("expected");

        const QString text
            = QStringLiteral("    Text {\n        id: t\n        text: qsTrId(\"x\")\n"
                             "        width: 2 * 3\n        maximumLineCount: root.n\n"
                             "        objectName: \"literal\"\n    }\n");
        QTest::newRow("bound text, not int or real")
            << text << QStringList { "t" } << QStringList { "text" };
        QTest::newRow("bound objectName is a string too")
            << QString(text).replace("\"literal\"", "root.objectName") << QStringList { "t" }
            << QStringList { "objectName", "text" };
        QTest::newRow("literal text")
            << item("t", "\"plain\"") << QStringList { "t" } << QStringList {};
        QTest::newRow("nothing selected") << text << QStringList {} << QStringList {};
        QTest::newRow("two selected")
            << text + item("u", "qsTrId(\"y\")") << QStringList { "t", "u" } << QStringList {};
        QTest::newRow("bound color is no string")
            << QStringLiteral("    Rectangle {\n        id: t\n        color: root.c\n    }\n")
            << QStringList { "t" } << QStringList {};
    }

    void stringPropertyNames()
    {
        QFETCH(QString, items);
        QFETCH(QStringList, selectedIds);
        QFETCH(QStringList, expected);

        attach(document(items));
        QList<Node *> selected;
        for (const QString &id : selectedIds)
            selected.append(m_document->model()->nodeForId(id));
        m_document->model()->setSelectedNodes(selected);
        QCOMPARE(m_view->stringPropertyNames(), expected);
    }

    void cells_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<int>("idAlignment");
        QTest::addColumn<int>("primaryAlignment");

        const int left = Qt::AlignLeft | Qt::AlignVCenter;
        const int right = Qt::AlignRight | Qt::AlignVCenter;
        QTest::newRow("latin") << "latin"
                               << "Hello" << left << left;
        QTest::newRow("arabic") << "arabic"
                                << QString::fromUtf8("\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7")
                                << left << right;
        QTest::newRow("right-to-left ID stays left")
            << QString::fromUtf8("\xd7\xa9\xd7\x9c") << "x" << left << left;
    }

    void cells()
    {
        QFETCH(QString, id);
        QFETCH(QString, primary);
        QFETCH(int, idAlignment);
        QFETCH(int, primaryAlignment);

        addTranslation(id.toStdString(), "en", primary.toStdString());
        attach(document(item("a", QStringLiteral("qsTrId(\"%1\")").arg(id))));
        const QAbstractItemModel *model = m_view->translationsModel();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, 0).data(Qt::ToolTipRole).toString(), id);
        QCOMPARE(model->index(0, 1).data(Qt::EditRole).toString(), primary);
        QCOMPARE(model->index(0, 0).data(Qt::TextAlignmentRole).toInt(), idAlignment);
        QCOMPARE(model->index(0, 1).data(Qt::TextAlignmentRole).toInt(), primaryAlignment);
        QVERIFY(!model->index(0, 1).data(Qt::DecorationRole).isValid());
        QVERIFY(model->index(0, 0).flags() & Qt::ItemIsEnabled);
        QVERIFY(!(model->index(0, 0).flags() & Qt::ItemIsSelectable));
        QVERIFY(!(model->index(0, 0).flags() & Qt::ItemIsEditable));
        QCOMPARE(model->headerData(0, Qt::Vertical).toInt(), 1);

        // A language column takes edits only while it has a language.
        TranslationsModel *languages = m_view->translationsModel();
        for (const auto &[primary, current] :
             { std::pair { "en", "de" }, { "en", "" }, { "", "de" } }) {
            languages->setPrimaryLanguage(Language(primary, "P"));
            languages->setCurrentLanguage(Language(current, "C"));
            QCOMPARE(bool(model->index(0, 1).flags() & Qt::ItemIsEditable), *primary != 0);
            QCOMPARE(bool(model->index(0, 2).flags() & Qt::ItemIsEditable), *current != 0);
        }
    }

    void typingAddsUnknownId()
    {
        attach(document(item("a", "qsTrId(\"fresh\")")));
        QAbstractItemModel *model = m_view->translationsModel();
        QCOMPARE(tableIds(), QStringList { "fresh" });
        // Unknown to the database: greyed, with empty translations.
        QVERIFY(!(model->index(0, 0).flags() & Qt::ItemIsEnabled));
        QCOMPARE(model->index(0, 1).data().toString(), QString());
        QCOMPARE(m_database->databaseIo().translatableId("fresh"), -1);

        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        QVERIFY(!model->setData(model->index(0, 1), "Neu", Qt::DisplayRole));
        QCOMPARE(changed.size(), 0);
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("Fresh")));

        const std::int64_t key = m_database->databaseIo().translatableId("fresh");
        QVERIFY(key >= 0);
        QCOMPARE(m_database->databaseIo().fetchTranslation(key, "en"),
                 std::optional<std::string>("Fresh"));
        QVERIFY(model->index(0, 0).flags() & Qt::ItemIsEnabled);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed[0][0].toModelIndex(), model->index(0, 0));
        QCOMPARE(changed[0][1].toModelIndex(), model->index(0, 0));
        QCOMPARE(changed[1][0].toModelIndex(), model->index(0, 1));
        QCOMPARE(changed[1][2].value<QList<int>>(),
                 (QList<int> { Qt::DisplayRole, Qt::TextAlignmentRole }));

        // A second edit does not add the ID again.
        QVERIFY(model->setData(model->index(0, 1), QString()));
        QCOMPARE(m_database->databaseIo().fetchTranslation(key, "en"),
                 std::optional<std::string>(""));
        QCOMPARE(changed.size(), 3);
        // And a reload shows what the database holds.
        m_view->updateTranslations();
        QCOMPARE(model->index(0, 1).data().toString(), QString());
        QVERIFY(model->index(0, 0).flags() & Qt::ItemIsEnabled);
    }

    void pluralFormsAndSourceTexts()
    {
        attach(document(QStringLiteral("    //% \"Your files\"\n    property string title: "
                                       "qsTrId(\"files.title\")\n")
                        + item("b", "qsTrId(\"files.count\", 3)")));
        TranslationsModel *model = m_view->translationsModel();
        model->setPrimaryLanguage(Language("en", "English"));
        model->setCurrentLanguage(Language("ru", "Russian"));
        m_view->updateTranslations();
        // A call with a count is a row like any other.
        QCOMPARE(tableIds(), (QStringList { "files.count", "files.title" }));

        // No English text yet: the source text stands in, greyed, and is not
        // what an edit starts from.
        const QModelIndex title = model->index(1, 1);
        QCOMPARE(title.data().toString(), QStringLiteral("Your files"));
        QCOMPARE(title.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        QCOMPARE(title.data(Qt::EditRole).toString(), QString());
        QVERIFY(!title.data(TranslationsModel::PluralFormsRole).toBool());
        addTranslation("files.title", "en", "Files");
        m_view->updateTranslations();
        QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("Files"));
        QVERIFY(!model->index(1, 1).data(Qt::ForegroundRole).isValid());

        // The plural ID's forms are edited one per line, in a text box.
        const QModelIndex forms = model->index(0, 2);
        QVERIFY(forms.data(TranslationsModel::PluralFormsRole).toBool());
        TranslationItemDelegate delegate;
        QWidget parent;
        std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, {}, forms));
        auto *box = qobject_cast<QPlainTextEdit *>(editor.get());
        QVERIFY(box);
        box->setPlainText(QStringLiteral("%n файл\n%n файла\n%n файлов\n"));
        delegate.setModelData(box, model, forms);
        DatabaseIo &database = m_database->databaseIo();
        const std::vector<std::int64_t> key { database.translatableId("files.count") };
        QCOMPARE(
            database.fetchPluralForms(key, "ru"),
            (std::vector<std::vector<std::string>> { { "%n файл", "%n файла", "%n файлов" } }));
        m_view->updateTranslations();
        QCOMPARE(model->index(0, 2).data().toString(),
                 QStringLiteral("%n файл | %n файла | %n файлов"));
        delegate.setEditorData(box, model->index(0, 2));
        QCOMPARE(box->toPlainText(), QStringLiteral("%n файл\n%n файла\n%n файлов"));
        // Other cells keep the line editor.
        std::unique_ptr<QWidget> line(delegate.createEditor(&parent, {}, model->index(1, 2)));
        QVERIFY(!qobject_cast<QPlainTextEdit *>(line.get()));

        // An ID that an edit brings in learns what the code says of it once the
        // document has been read again, a moment after the edit.
        auto *document = m_document->model();
        QVERIFY(document->setBindingProperty(
            document->nodeForId("b"), "text", "qsTrId(\"files.size\", 2)"));
        QCOMPARE(tableIds(), (QStringList { "files.size", "files.title" }));
        QTRY_VERIFY(model->index(0, 2).data(TranslationsModel::PluralFormsRole).toBool());
    }

    void install_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("shift"); // the new IDs start at id<shift>
        QTest::addColumn<QStringList>("expectedSignals");

        QTest::newRow("5 to 2") << 5 << 2 << 0
                                << QStringList { "aboutToRemove 2-4",
                                                 "removed 2-4",
                                                 "changed 0,0-1,2" };
        QTest::newRow("2 to 5") << 2 << 5 << 0
                                << QStringList { "aboutToInsert 2-4",
                                                 "inserted 2-4",
                                                 "changed 0,0-1,2" };
        QTest::newRow("3 to 3") << 3 << 3 << 0 << QStringList { "changed 0,0-2,2" };
        QTest::newRow("0 to 3") << 0 << 3 << 0
                                << QStringList { "aboutToInsert 0-2", "inserted 0-2" };
        QTest::newRow("3 to 0") << 3 << 0 << 0
                                << QStringList { "aboutToRemove 0-2", "removed 0-2" };
        QTest::newRow("0 to 0") << 0 << 0 << 0 << QStringList {};
        // IDs that go and come in the middle: only their rows move.
        QTest::newRow("3 to 3, shifted by one") << 3 << 3 << 1
                                                << QStringList { "aboutToRemove 0-0",
                                                                 "removed 0-0",
                                                                 "aboutToInsert 2-2",
                                                                 "inserted 2-2",
                                                                 "changed 0,0-1,2" };
        QTest::newRow("4 to 2, shifted by three") << 4 << 2 << 3
                                                  << QStringList { "aboutToRemove 0-2",
                                                                   "removed 0-2",
                                                                   "aboutToInsert 1-1",
                                                                   "inserted 1-1",
                                                                   "changed 0,0-0,2" };
    }

    void install()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, shift);
        QFETCH(QStringList, expectedSignals);

        QStringList expectedIds;
        const auto items = [&](const QString &prefix, int count, int first) {
            QString text;
            expectedIds.clear();
            for (int index = 0; index < count; ++index) {
                text += item(prefix + QString::number(index),
                             QStringLiteral("qsTrId(\"id%1\")").arg(index + first));
                expectedIds.append(QStringLiteral("id%1").arg(index + first));
            }
            return document(text);
        };
        attach(items("n", from, 0));
        QCOMPARE(tableIds(), expectedIds);

        TranslationsModel *model = m_view->translationsModel();
        QStringList seen;
        const auto record = [&](auto signal, const char *name) {
            connect(model, signal, this, [&seen, name](const QModelIndex &, int first, int last) {
                seen.append(QStringLiteral("%1 %2-%3").arg(name).arg(first).arg(last));
            });
        };
        record(&QAbstractItemModel::rowsAboutToBeRemoved, "aboutToRemove");
        record(&QAbstractItemModel::rowsRemoved, "removed");
        record(&QAbstractItemModel::rowsAboutToBeInserted, "aboutToInsert");
        record(&QAbstractItemModel::rowsInserted, "inserted");
        connect(model,
                &QAbstractItemModel::dataChanged,
                this,
                [&](auto topLeft, auto bottomRight, auto roles) {
                    seen.append(QStringLiteral("changed %1,%2-%3,%4")
                                    .arg(topLeft.row())
                                    .arg(topLeft.column())
                                    .arg(bottomRight.row())
                                    .arg(bottomRight.column()));
                    QVERIFY(roles.isEmpty());
                });
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);

        // Replace the document's IDs wholesale, then reload once.
        m_document->model()->detachView(m_view.get());
        QVERIFY(m_document->setText(items("m", to, shift)));
        m_document->model()->attachView(m_view.get());

        QCOMPARE(seen, expectedSignals);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(tableIds(), expectedIds);
    }

    void columnWidths_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expectedIdWidth");

        QTest::newRow("third of 301") << 301 << 100;
        QTest::newRow("at most 100") << 303 << 100;
        QTest::newRow("narrower than the smallest section") << 90 << 30;
    }

    void columnWidths()
    {
        QFETCH(int, width);
        QFETCH(int, expectedIdWidth);

        QSettings().remove(TranslationTableView::idColumnWidthKey());
        attach(document(item("a", "qsTrId(\"x\")")));
        auto table = std::make_unique<TranslationTableView>();
        table->setModel(m_view->translationsModel());
        QCOMPARE(table->contextMenuPolicy(), Qt::NoContextMenu);
        QHeaderView *header = table->horizontalHeader();
        QCOMPARE(header->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(header->sectionResizeMode(1), QHeaderView::Stretch);
        QCOMPARE(header->sectionResizeMode(2), QHeaderView::Stretch);
        QCOMPARE(table->columnWidth(0), TranslationTableView::defaultIdColumnWidth);
        table->resize(width, 200);
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table.get()));

        // Public in the base class, and virtual: the table's own widths answer.
        const QAbstractItemView &view = *table;
        QCOMPARE(view.sizeHintForColumn(0), expectedIdWidth);
        const int rest = width - (table->verticalHeader()->width() + 2) - table->columnWidth(0);
        QCOMPARE(view.sizeHintForColumn(1), rest / 2);
        QCOMPARE(view.sizeHintForColumn(2), view.sizeHintForColumn(1));

        // The language columns share what the ID column leaves: nothing reaches
        // past the viewport, where a right-aligned text would lose its start.
        header->resizeSection(0, width / 4);
        QTRY_VERIFY(std::abs(table->columnWidth(1) - table->columnWidth(2)) <= 1);
        if (table->columnWidth(0) + 2 * header->minimumSectionSize() <= table->viewport()->width())
            QTRY_COMPARE(header->length(), table->viewport()->width());

        // The width the user gave the ID column comes back with the next table.
        auto next = std::make_unique<TranslationTableView>();
        next->setModel(m_view->translationsModel());
        QCOMPARE(next->columnWidth(0), std::max(width / 4, header->minimumSectionSize()));
        QSettings().remove(TranslationTableView::idColumnWidthKey());
    }

    void rowStatus_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::addColumn<std::optional<std::string>>("english");
        QTest::addColumn<std::optional<std::string>>("german");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("ignored");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("failedChecks");

        using Text = std::optional<std::string>;
        const Text none;
        const auto row = [](const char *tag,
                            Text english,
                            Text german,
                            Statuses expected,
                            QStringList failed = {},
                            QByteArray stored = {},
                            QString ignored = {},
                            QString comment = {}) {
            QTest::newRow(tag) << comment << english << german << stored << ignored
                               << int(expected.toInt()) << failed;
        };
        row("translated", "Save", "Sichern", Status::Translated);
        row("missing", "Save", none, Status::Missing);
        row("same as primary",
            "Radio",
            "Radio",
            Status::SameAsPrimary | Status::CheckFindings,
            { "identical" });
        row("same, no letters", "%1", "%1", Status::SameAsPrimary);
        row("lost placeholder", "%1 files", "Dateien", Status::CheckFindings, { "placeholders" });
        row("silenced check",
            "%1 files.",
            "Dateien",
            Status::Translated,
            {},
            {},
            "placeholders, punctuation");
        row("everything silenced", "%1 files", "Dateien", Status::Translated, {}, {}, "*");
        row("source text only",
            none,
            "Hallo",
            Status::SourceTextOnly,
            {},
            {},
            {},
            "    //% \"Greeting\"\n");
        row("nothing at all", "", none, Status::PrimaryMissing | Status::Missing);
        row("unknown ID", none, none, Status::UnknownId | Status::PrimaryMissing | Status::Missing);
        row("test: elided",
            "Save",
            "Sichern",
            Status::TestElided,
            {},
            testResult("t", false, true));
        row("test: missing and elided",
            "Save",
            none,
            Status::Missing | Status::TestMissing | Status::TestElided,
            {},
            testResult("t", true, true));
        row("test of another ID",
            "Save",
            "Sichern",
            Status::Translated,
            {},
            testResult("other", true, true));
        row("test found nothing",
            "Save",
            "Sichern",
            Status::Translated,
            {},
            testResult("t", false, false));
    }

    // Each status, its mark and which of the filter's choices show the row.
    void rowStatus()
    {
        QFETCH(QString, comment);
        QFETCH(std::optional<std::string>, english);
        QFETCH(std::optional<std::string>, german);
        QFETCH(QByteArray, stored);
        QFETCH(QString, ignored);
        QFETCH(int, expected);
        QFETCH(QStringList, failedChecks);

        DatabaseIo &database = m_database->databaseIo();
        if (english)
            addTranslation("t", "en", *english);
        if (german)
            addTranslation("t", "de", *german);
        if (!stored.isEmpty()) {
            database.addTranslatable("other");
            database.storeScreenMetaData(stored.toStdString());
        }
        if (!ignored.isEmpty()) {
            database.setTranslatableMetaData(database.translatableId("t"),
                                             "lexora-ignore",
                                             DatabaseValue(ignored.toStdString()));
        }
        attach(document(comment.isEmpty()
                            ? item("a", "qsTrId(\"t\")")
                            : comment + QStringLiteral("    property string t: qsTrId(\"t\")\n")));
        TranslationStatusModel *status = m_view->statusModel();
        QAbstractItemModelTester statusTester(status, reportToQtTest);
        TranslationFilterModel filter;
        filter.setSourceModel(status);
        QAbstractItemModelTester filterTester(&filter, reportToQtTest);
        m_view->translationsModel()->setCurrentLanguage(Language("de", "German"));
        m_view->updateTranslations();

        QCOMPARE(status->rowCount(), 1);
        for (int column = 0; column < 3; ++column)
            QCOMPARE(status->index(0, column).data(TranslationStatusModel::StatusRole).toInt(),
                     expected);
        QCOMPARE(status->index(0, 2).data(TranslationStatusModel::FailedChecksRole).toStringList(),
                 failedChecks);
        // The ID cell carries the mark and says in its tooltip what it means.
        const QModelIndex idCell = status->index(0, 0);
        QVERIFY(!idCell.data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!status->index(0, 1).data(Qt::DecorationRole).isValid());
        const QStringList tooltip = idCell.data(Qt::ToolTipRole).toString().split('\n');
        QCOMPARE(tooltip.first(), QStringLiteral("t"));
        QCOMPARE(tooltip.mid(1), status->describe(0));
        QCOMPARE(tooltip.size() == 2 && tooltip[1] == QStringLiteral("Translated"),
                 expected == Status::Translated);
        for (const QString &check : failedChecks)
            QVERIFY2(tooltip.join('\n').contains(check), qPrintable(tooltip.join('\n')));

        const Statuses statuses = Statuses::fromInt(expected);
        const QList<std::pair<Show, bool>> shown {
            { Show::All, true },
            { Show::Untranslated, bool(statuses & TranslationStatusModel::untranslated) },
            { Show::WithFindings, bool(statuses & TranslationStatusModel::findings) },
        };
        for (const auto &[show, visible] : shown) {
            filter.setShow(show);
            QCOMPARE(filter.rowCount(), visible ? 1 : 0);
        }
    }

    // A node selected on the form or in the navigator marks the rows of the IDs
    // it uses; the others stay plain.
    void followsNodeSelection()
    {
        addTranslation("t", "en", "Save");
        attach(document(item("a", "qsTrId(\"t\")") + item("b", "qsTrId(\"u\") + qsTrId(\"v\")")));
        TranslationStatusModel *status = m_view->statusModel();
        QAbstractItemModelTester tester(status, reportToQtTest);
        // The marked IDs, each also shown in bold.
        const auto marked = [status]() -> QStringList {
            QStringList ids;
            for (int row = 0; row < status->rowCount(); ++row) {
                const bool selected
                    = status->index(row, 1).data(TranslationStatusModel::SelectedNodeRole).toBool();
                if (status->index(row, 0).data(Qt::FontRole).value<QFont>().bold() != selected)
                    return { QStringLiteral("font of row %1").arg(row) };
                if (selected)
                    ids.append(status->index(row, 0).data().toString());
            }
            return ids;
        };
        Host::Designer::DocumentModel *model = m_document->model();
        Host::Designer::Node *b = model->nodeForId(QStringLiteral("b"));
        QVERIFY(b);
        model->setSelectedNodes({ b });
        QCOMPARE(marked(), (QStringList { "u", "v" }));
        model->setSelectedNodes({ model->nodeForId(QStringLiteral("a")), b });
        QCOMPARE(marked(), (QStringList { "t", "u", "v" }));
        model->clearSelection();
        QVERIFY(marked().isEmpty());

        // The next document opened shows the panel's language on the form.
        m_view->translationsModel()->setCurrentLanguage(Language("de", "German"));
        model->detachView(m_view.get());
        attach(document(item("c", "qsTrId(\"t\")")));
        QCOMPARE(model->rootNode()->auxiliaryData("language@Internal").toString(),
                 QStringLiteral("de"));
    }

    void filterByText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("show");
        QTest::addColumn<QStringList>("expected");

        const QStringList all { "menu.open", "menu.save", "title" };
        QTest::newRow("nothing typed") << QString() << int(Show::All) << all;
        QTest::newRow("only spaces") << QStringLiteral("  ") << int(Show::All) << all;
        QTest::newRow("ID, any case") << QStringLiteral("MENU.") << int(Show::All)
                                      << QStringList { "menu.open", "menu.save" };
        QTest::newRow("primary text")
            << QStringLiteral("save") << int(Show::All) << QStringList { "menu.save" };
        QTest::newRow("second language")
            << QStringLiteral("ÖFFNEN") << int(Show::All) << QStringList { "menu.open" };
        QTest::newRow("source text from the code")
            << QStringLiteral("welcome") << int(Show::All) << QStringList { "title" };
        QTest::newRow("no match") << QStringLiteral("xyz") << int(Show::All) << QStringList();
        QTest::newRow("text and untranslated")
            << QStringLiteral("menu") << int(Show::Untranslated) << QStringList { "menu.save" };
        QTest::newRow("untranslated")
            << QString() << int(Show::Untranslated) << QStringList { "menu.save", "title" };
        QTest::newRow("with findings")
            << QString() << int(Show::WithFindings) << QStringList { "menu.open" };
    }

    void filterByText()
    {
        QFETCH(QString, text);
        QFETCH(int, show);
        QFETCH(QStringList, expected);

        addTranslation("menu.open", "en", "&Open");
        addTranslation("menu.open", "de", "Öffnen");
        addTranslation("menu.save", "en", "Save");
        attach(document(item("a", "qsTrId(\"menu.open\")") + item("b", "qsTrId(\"menu.save\")")
                        + QStringLiteral("    //% \"Welcome\"\n    property string t: "
                                         "qsTrId(\"title\")\n")));
        m_view->translationsModel()->setCurrentLanguage(Language("de", "German"));
        m_view->updateTranslations();
        TranslationFilterModel filter;
        filter.setSourceModel(m_view->statusModel());
        QAbstractItemModelTester tester(&filter, reportToQtTest);
        filter.setText(text);
        filter.setShow(Show(show));
        QStringList ids;
        for (int row = 0; row < filter.rowCount(); ++row)
            ids.append(filter.index(row, 0).data().toString());
        QCOMPARE(ids, expected);
    }

    // What the user types through the panel's filter lands in the database,
    // undoes with the studio's undo, and the filter follows the row's status.
    void editThroughFilterAndUndo()
    {
        addTranslation("a.title", "en", "Title");
        addTranslation("b.name", "en", "Name");
        addTranslation("b.name", "de", "Name");
        attach(document(item("a", "qsTrId(\"a.title\")") + item("b", "qsTrId(\"b.name\")")));
        std::unique_ptr<QWidget> panel(m_view->widgetDescription().widget);
        TranslationsWidget *tab
            = static_cast<TranslationsViewWidget *>(panel.get())->translationsWidget();
        QAbstractItemModel *table = tab->tableView()->model();
        QCOMPARE(table, tab->filterModel());
        QAbstractItemModelTester tester(table, reportToQtTest);
        QSignalSpy headers(table, &QAbstractItemModel::headerDataChanged);
        RecentsComboBox *selector = tab->languageSelector();
        selector->setCurrentIndex(selector->findData(QStringLiteral("de")));
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string("de"));
        QVERIFY(!headers.isEmpty());
        QVERIFY(
            table->headerData(1, Qt::Horizontal).toString().startsWith(QLatin1String("English")));
        QVERIFY(
            table->headerData(2, Qt::Horizontal).toString().startsWith(QLatin1String("German")));

        tab->showSelector()->setCurrentIndex(tab->showSelector()->findText("Untranslated"));
        QCOMPARE(table->rowCount(), 1);
        const QModelIndex cell = table->index(0, 2);
        QCOMPARE(table->index(0, 0).data().toString(), QStringLiteral("a.title"));
        // A failed write reopens the cell the table shows.
        QCOMPARE(tab->tableIndex(m_view->translationsModel()->index(0, 2)), cell);
        QVERIFY(!tab->tableIndex(m_view->translationsModel()->index(1, 2)).isValid());

        QVERIFY(table->setData(cell, QStringLiteral("Titel")));
        QCOMPARE(stored("a.title", "de"), std::optional<std::string>("Titel"));
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(tab->tableView()->hint(), QStringLiteral("No row matches the filter."));

        QUndoGroup *group = Host::Core::Workbench::undoGroup();
        group->undo();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->index(0, 2).data(Qt::EditRole).toString(), QString());
        QVERIFY(tab->tableView()->hint().isEmpty());
        group->redo();
        QCOMPARE(table->rowCount(), 0);

        tab->showSelector()->setCurrentIndex(tab->showSelector()->findText("With findings"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->index(0, 0).data().toString(), QStringLiteral("b.name"));
    }

    void failures_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<QString>("expectedTextStart");

        QTest::newRow("sync of a broken JSON file") << 0 << "JSON file error"
                                                    << "Error in the JSON file: ";
        QTest::newRow("sync of a missing file") << 1 << "JSON file error"
                                                << "Unable to open file: ";
        QTest::newRow("export to an unwritable path") << 2 << "JSON file error"
                                                      << "Unable to open file: ";
        const QString corrupt = "It can be that the database is corrupt or the database scheme "
                                "changed. The error is: ";
        QTest::newRow("export from a broken database")
            << 3 << "Cannot export the database!"
            << "Some internal error happens. The error is: ";
        QTest::newRow("sync into a broken database")
            << 4 << "Cannot sync to the database!" << corrupt;
        QTest::newRow("reload from a broken database")
            << 5 << "Cannot get translation items from database!" << corrupt;
    }

    void failures()
    {
        QFETCH(int, failure);
        QFETCH(QString, expectedTitle);
        QFETCH(QString, expectedTextStart);

        addTranslation("kept", "en", "Kept");
        attach(document(item("a", "qsTrId(\"kept\")") + item("b", "qsTrId(\"unknown\")")));
        QCOMPARE(tableIds(), (QStringList { "kept", "unknown" }));

        const QString broken = m_dir.filePath(QStringLiteral("broken.json"));
        QVERIFY(writeFile(broken, "{ \"translatables\": [ { "));
        QFile good(m_dir.filePath(QStringLiteral("good.json")));
        if (failure == 4) {
            m_view->exportAllTranslations(good.fileName());
            QVERIFY(good.exists());
        }
        if (failure >= 3)
            m_database->database().execute("DROP TABLE translations");

        MessageBoxCatcher catcher;
        const std::function<void()> steps[] = {
            [&] { m_view->importAndSyncTranslations(broken); },
            [&] { m_view->importAndSyncTranslations(m_dir.filePath("none.json")); },
            [&] { m_view->exportAllTranslations(m_dir.filePath("no/such/dir/out.json")); },
            [&] { m_view->exportAllTranslations(m_dir.filePath("out.json")); },
            [&] { m_view->importAndSyncTranslations(good.fileName()); },
            [&] { m_view->updateTranslations(); },
        };
        steps[failure]();
        QCOMPARE(catcher.icons, QList { QMessageBox::Critical });
        QCOMPARE(catcher.titles, QStringList { expectedTitle });
        const QString text = catcher.texts.first();
        QVERIFY2(text.startsWith(expectedTextStart) && text.size() > expectedTextStart.size(),
                 qPrintable(text));
        QCOMPARE(tableIds(), (QStringList { "kept", "unknown" }));
        QCOMPARE(m_view->translationsModel()->index(0, 1).data().toString(),
                 QStringLiteral("Kept"));
    }

    void failedEditIsKept_data()
    {
        QTest::addColumn<WriteTrouble>("trouble");
        QTest::newRow("read-only file") << WriteTrouble::ReadOnlyFile;
        QTest::newRow("table gone") << WriteTrouble::TableGone;
        QTest::newRow("ID added by another connection") << WriteTrouble::IdAddedElsewhere;
    }

    // Typing into the table while the database refuses the text: a message over
    // the main window, the text kept in a reopened editor for another try, no
    // crash.
    void failedEditIsKept()
    {
        QFETCH(WriteTrouble, trouble);
        attach(document(item("a", "qsTrId(\"fresh\")")));
        TranslationsWidget *tab = showPanel();
        QVERIFY(tab);
        TranslationTableView *table = tab->tableView();
        TranslationsModel *model = m_view->translationsModel();
        const QModelIndex cell = model->index(0, 1);
        const QString path = m_dir.filePath(QStringLiteral("translations.db"));

        std::unique_ptr<ProjectDatabase> writable;
        switch (trouble) {
        case WriteTrouble::ReadOnlyFile:
            writable = readOnly();
            break;
        case WriteTrouble::TableGone:
            m_database->database().execute("DROP TABLE translations");
            break;
        case WriteTrouble::IdAddedElsewhere:
            ProjectDatabase(path).databaseIo().addTranslatable("fresh");
            break;
        }

        MessageBoxCatcher catcher;
        table->edit(tab->tableIndex(cell));
        QLineEdit *editor = openEditor(table);
        QVERIFY(editor);
        editor->setText(QStringLiteral("Frisch"));
        QTest::keyClick(editor, Qt::Key_Return);

        if (trouble == WriteTrouble::IdAddedElsewhere) {
            QTRY_COMPARE(cell.data().toString(), QStringLiteral("Frisch"));
            QVERIFY(catcher.titles.isEmpty());
            QCOMPARE(stored("fresh", "en"), std::optional<std::string>("Frisch"));
            QVERIFY(!model->isUnsaved(cell));
            return;
        }

        QTRY_COMPARE(catcher.titles, QStringList { "Cannot save the translation!" });
        QCOMPARE(catcher.icons, QList { QMessageBox::Critical });
        QVERIFY(model->isUnsaved(cell));
        QCOMPARE(cell.data().toString(), QStringLiteral("Frisch"));
        QTRY_VERIFY(openEditor(table));
        editor = openEditor(table);
        QCOMPARE(editor->text(), QStringLiteral("Frisch"));
        if (trouble != WriteTrouble::ReadOnlyFile)
            return;

        // Once the database takes writes again, Return saves the kept text.
        setDatabase(std::move(writable));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!model->isUnsaved(cell));
        QCOMPARE(stored("fresh", "en"), std::optional<std::string>("Frisch"));
        QCOMPARE(catcher.titles.size(), 1);
    }

    // Another program changes the database while the table is open: the table
    // shows it after a look, with the current row and an open editor kept.
    void outsideChangesShow()
    {
        addTranslation("kept", "en", "Kept");
        addTranslation("other", "en", "Other");
        attach(document(item("a", "qsTrId(\"kept\")") + item("b", "qsTrId(\"other\")")));
        TranslationsWidget *tab = showPanel();
        QVERIFY(tab);
        TranslationTableView *table = tab->tableView();
        TranslationsModel *model = m_view->translationsModel();
        m_view->checkForOutsideChanges(); // the first look
        const QModelIndex typedInto = tab->tableIndex(model->index(1, 1));
        table->setCurrentIndex(typedInto);
        table->edit(typedInto);
        QLineEdit *editor = openEditor(table);
        QVERIFY(editor);
        editor->setText(QStringLiteral("typing"));

        {
            ProjectDatabase other(m_dir.filePath(QStringLiteral("translations.db")));
            other.databaseIo().updateTranslation(
                other.databaseIo().translatableId("kept"), "en", "Changed");
        }
        m_view->checkForOutsideChanges();
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Changed"));
        QCOMPARE(openEditor(table), editor);
        QCOMPARE(editor->text(), QStringLiteral("typing"));
        QCOMPARE(table->currentIndex(), typedInto);
    }

    void failedUpdateReloadsLater_data()
    {
        QTest::addColumn<QByteArray>("nextName");
        QTest::addColumn<QString>("nextExpression");
        QTest::addColumn<QStringList>("expectedRows");

        QTest::newRow("next change without IDs")
            << QByteArray("opacity") << "root.opacity / 2" << QStringList { "kept", "new" };
        QTest::newRow("next change adds an ID")
            << QByteArray("text") << "qsTrId(\"later\")" << QStringList { "later", "new" };
    }

    void failedUpdateReloadsLater()
    {
        QFETCH(QByteArray, nextName);
        QFETCH(QString, nextExpression);
        QFETCH(QStringList, expectedRows);

        addTranslation("kept", "en", "Kept");
        addTranslation("new", "en", "New");
        attach(document(item("a", "qsTrId(\"kept\")") + item("b", "qsTrId(\"unknown\")")));
        QCOMPARE(tableIds(), (QStringList { "kept", "unknown" }));
        auto *model = m_document->model();

        // The table is out of reach while the change comes in.
        m_database->database().execute("ALTER TABLE translations RENAME TO hidden");
        {
            MessageBoxCatcher catcher;
            QVERIFY(model->setBindingProperty(model->nodeForId("b"), "text", "qsTrId(\"new\")"));
            QCOMPARE(catcher.seen.size(), 1);
            QVERIFY2(
                catcher.seen.first().startsWith("Cannot get translation items from database!|"),
                qPrintable(catcher.seen.first()));
        }
        m_database->database().execute("ALTER TABLE hidden RENAME TO translations");

        // The next change brings the table in step with the document again.
        QVERIFY(model->setBindingProperty(model->nodeForId("a"), nextName, nextExpression));
        QCOMPARE(tableIds(), expectedRows);
        QCOMPARE(m_view->translationsModel()->index(int(expectedRows.indexOf("new")), 1).data(),
                 QVariant(QStringLiteral("New")));
    }

    void undoRedoEdits_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("column");
        QTest::addColumn<std::optional<std::string>>("before");
        QTest::addColumn<QString>("typed");

        QTest::newRow("earlier text")
            << "qsTrId(\"t\")" << 1 << std::optional<std::string>("Old") << "New";
        QTest::newRow("no translation before")
            << "qsTrId(\"t\")" << 1 << std::optional<std::string>() << "New";
        QTest::newRow("earlier empty text")
            << "qsTrId(\"t\")" << 1 << std::optional<std::string>("") << "New";
        QTest::newRow("plural forms")
            << "qsTrId(\"t\", 2)" << 2 << std::optional<std::string>("One") << "Eins\nViele";
    }

    // Edit > Undo (the host's undo group) writes back exactly what the database
    // held before the edit; Redo writes the edit again.
    void undoRedoEdits()
    {
        QFETCH(QString, call);
        QFETCH(int, column);
        QFETCH(std::optional<std::string>, before);
        QFETCH(QString, typed);

        const std::string language = column == 1 ? "en" : "de";
        if (before)
            addTranslation("t", language, *before);
        attach(document(item("a", call)));
        TranslationsModel *model = m_view->translationsModel();
        model->setPrimaryLanguage(Language("en", "English"));
        model->setCurrentLanguage(Language("de", "German"));
        m_view->updateTranslations();
        DatabaseIo &database = m_database->databaseIo();
        const auto stored = [&] {
            const std::int64_t key = database.translatableId("t");
            if (column == 1)
                return database.fetchTranslation(key, language);
            const auto fetched = database.fetchPluralForms({ &key, 1 }, language);
            QStringList forms;
            for (const std::string &form : fetched.front())
                forms.append(QString::fromStdString(form));
            return forms.isEmpty() ? std::optional<std::string>()
                                   : std::optional<std::string>(forms.join('\n').toStdString());
        };
        const QModelIndex cell = model->index(0, column);

        QUndoGroup *group = Host::Core::Workbench::undoGroup();
        QVERIFY(group);
        QCOMPARE(group->activeStack(), model->undoStack());
        QVERIFY(model->setData(cell, typed));
        // Writing the same text again is no change to undo.
        QVERIFY(model->setData(cell, typed));
        QCOMPARE(model->undoStack()->count(), 1);
        QCOMPARE(stored(), std::optional<std::string>(typed.toStdString()));

        group->undo();
        QCOMPARE(stored(), before);
        QCOMPARE(cell.data(Qt::EditRole).toString(), QString::fromStdString(before.value_or("")));
        group->redo();
        QCOMPARE(stored(), std::optional<std::string>(typed.toStdString()));
        QCOMPARE(cell.data(Qt::EditRole).toString(), typed);

        // The database refuses the text written back: a message, no crash, and
        // the table shows what the database holds. Once it takes writes, undo works.
        auto writable = readOnly();
        {
            MessageBoxCatcher catcher;
            group->undo();
            QTRY_COMPARE(catcher.titles, QStringList { "Cannot change the translation!" });
            QCOMPARE(catcher.icons, QList { QMessageBox::Critical });
            QCOMPARE(cell.data(Qt::EditRole).toString(), typed);
        }
        setDatabase(std::move(writable));
        group->redo();
        group->undo();
        QCOMPARE(stored(), before);
        QCOMPARE(cell.data(Qt::EditRole).toString(), QString::fromStdString(before.value_or("")));

        // Another project's database has nothing to undo.
        m_view->projectChanged();
        QCOMPARE(model->undoStack()->count(), 0);
    }

    void projectLanguagesAndWidget()
    {
        attach(document(item("a", "qsTrId(\"x\")")));
        // Sorted by name: Arabic, English, German.
        QCOMPARE(projectCodes(), (QStringList { "ar", "en", "de" }));
        QCOMPARE(m_view->translationsModel()->primaryLanguage().code, std::string("en"));
        // Before the panel exists the second column keeps its (empty) language.
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string());

        QVERIFY(m_view->hasWidget());
        const auto description = m_view->widgetDescription();
        QVERIFY(description.widget);
        QCOMPARE(description.uniqueId, QStringLiteral("TranslationsView"));
        QCOMPARE(description.placementHint, 1);
        QCOMPARE(description.priority, 0);
        QCOMPARE(description.tabTitle, QStringLiteral("Translations"));
        QCOMPARE(description.flags, 0);
        QCOMPARE(m_view->widgetDescription().widget, description.widget);
        std::unique_ptr<QWidget> widget(description.widget);
        auto *panel = qobject_cast<TranslationsViewWidget *>(description.widget);
        QVERIFY(panel);
        RecentsComboBox *selector = panel->translationsWidget()->languageSelector();

        // The second column follows the selector, which starts on the first
        // language by name.
        m_view->updateTranslations();
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string("ar"));
        selector->setCurrentIndex(selector->findData(QStringLiteral("de")));
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string("de"));
        QCOMPARE(m_document->model()->rootNode()->auxiliaryData("language@Internal").toString(),
                 QStringLiteral("de"));
        // An empty choice changes nothing by itself; the next update takes English.
        selector->setCurrentIndex(-1);
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string("de"));
        m_view->updateTranslations();
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string("en"));
        // Detached: no auxiliary data is written.
        Node *root = m_document->model()->rootNode();
        m_document->model()->detachView(m_view.get());
        selector->setCurrentIndex(selector->findData(QStringLiteral("ar")));
        QCOMPARE(m_view->translationsModel()->currentLanguage().code, std::string("ar"));
        QCOMPARE(root->auxiliaryData("language@Internal").toString(), QStringLiteral("de"));
    }

    // Export, import and generation of the files a project ships.
    void projectFiles()
    {
        addTranslation("main.title", "en", "Main");
        addTranslation("main.title", "de", "Haupt");
        addTranslation("unused", "en", "Unused");
        attach(document(item("a", "qsTrId(\"main.title\")")));

        QCOMPARE(toStrings(m_view->usedTranslationIdsOfProject()),
                 (QStringList { "main.title", "main.title", "main.sub" }));

        // An export imported into a fresh database brings every language back.
        const QString all = m_dir.filePath(QStringLiteral("all.json"));
        m_view->exportAllTranslations(all);
        QCOMPARE(m_json.importFile(all).size(), std::size_t(2));
        m_database->databaseIo().removeTranslatable(
            m_database->databaseIo().translatableId("main.title"));
        m_view->updateTranslations();
        QCOMPARE(m_view->translationsModel()->index(0, 1).data().toString(), QString());
        m_view->importAndSyncTranslations(all);
        QCOMPARE(m_view->translationsModel()->index(0, 1).data().toString(),
                 QStringLiteral("Main"));

        QVERIFY(m_view->generateQmFiles());
        m_runner->waitForFinished();
        const QDir i18n(m_dir.filePath(QStringLiteral("i18n")));
        for (const char *code : { "ar", "en", "de" })
            QVERIFY2(i18n.exists(QStringLiteral("qml_%1.qm").arg(code)), code);
        QVERIFY(!i18n.exists(QStringLiteral("qml_de.ts")));
        QTranslator translator;
        QVERIFY(translator.load(i18n.filePath(QStringLiteral("qml_de.qm"))));
        QCOMPARE(translator.translate(nullptr, "main.title"), QStringLiteral("Haupt"));

        QVERIFY(m_view->generateAllTranslationFiles());
        m_runner->waitForFinished();
        QVERIFY(i18n.exists(QStringLiteral("qml_de.ts")));
    }

    void projectLanguagesFollowTheBuildSystem_data()
    {
        QTest::addColumn<bool>("withProject");
        QTest::addColumn<QStringList>("expectedCodes");
        QTest::addColumn<QString>("expectedPrimary");

        // Sorted by name: French, German.
        QTest::newRow("startup project") << true << QStringList { "fr", "de" } << "fr";
        // Without a project nothing is written, and no project's languages are
        // shown.
        QTest::newRow("no startup project") << false << QStringList {} << "";
    }

    void projectLanguagesFollowTheBuildSystem()
    {
        QFETCH(bool, withProject);
        QFETCH(QStringList, expectedCodes);
        QFETCH(QString, expectedPrimary);

        auto *session = Host::Projects::Session::instance();
        auto *backend = m_project->buildBackend();
        const QStringList savedLanguages = backend->supportedLanguages();
        const QString savedPrimary = backend->primaryLanguage();
        // The next test needs the project back, even when this one fails.
        auto restore = qScopeGuard([&] {
            session->setStartupProject(m_project);
            backend->setSupportedLanguages(savedLanguages);
            backend->setPrimaryLanguage(savedPrimary);
        });

        attach(document(item("a", "qsTrId(\"x\")")));
        if (!withProject)
            session->setStartupProject(nullptr);
        m_view->setProjectLanguages({ "fr", "de" }, QStringLiteral("fr"));
        m_view->reloadProjectLanguages();
        if (!withProject) {
            QVERIFY(m_view->usedTranslationIdsOfProject().empty());
            session->setStartupProject(m_project);
        }

        QCOMPARE(projectCodes(), expectedCodes);
        QCOMPARE(m_view->translationsModel()->primaryLanguage().codeString(), expectedPrimary);
        const QStringList expectedStored
            = withProject ? QStringList { "fr", "de" } : savedLanguages;
        QCOMPARE(backend->supportedLanguages(), expectedStored);
    }

    void unwrittenReportIsAnIssue()
    {
        auto *issues = Host::Projects::IssueList::instance();
        issues->clearIssues();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Unable to write the translation test report"));
        // A device takes nothing and cannot be replaced: the user must learn of it.
        m_view->writeTestReport(QStringLiteral("/dev/full"), "[]");
        // Issues arrive queued.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(issues->errorCount(), 1);
        QVERIFY(issues->issues().constFirst().description.startsWith(
            "Could not write the translation test report /dev/full: "));
    }

private:
    // The panel on screen, as the studio shows it.
    TranslationsWidget *showPanel()
    {
        m_panel.reset(m_view->widgetDescription().widget);
        m_panel->resize(600, 300);
        m_panel->show();
        if (!QTest::qWaitForWindowExposed(m_panel.get()))
            return nullptr;
        return static_cast<TranslationsViewWidget *>(m_panel.get())->translationsWidget();
    }
    QStringList tableIds() const;
    void attach(const QString &text);
    QStringList projectCodes() const
    {
        QStringList codes;
        for (const Language &language : m_view->projectLanguages())
            codes.append(language.codeString());
        return codes;
    }
    std::optional<std::string> stored(const char *id, const char *language)
    {
        DatabaseIo &database = m_database->databaseIo();
        return database.fetchTranslation(database.translatableId(id), language);
    }
    void setDatabase(std::unique_ptr<ProjectDatabase> database)
    {
        m_database = std::move(database);
        m_access->setDatabaseIo(&m_database->databaseIo());
    }
    // Swaps in a read-only connection to the same file; returns the writable one.
    std::unique_ptr<ProjectDatabase> readOnly()
    {
        auto writable = std::move(m_database);
        setDatabase(
            std::make_unique<ProjectDatabase>(m_dir.filePath(QStringLiteral("translations.db")),
                                              Host::Sqlite::Database::OpenMode::ReadOnly));
        return writable;
    }
    void
    addTranslation(const std::string &id, const std::string &language, const std::string &text);

    QTemporaryDir m_dir;
    Host::QmlProject::DesignProject *m_project = nullptr;
    std::unique_ptr<ProjectDatabase> m_database;
    JsonImportExport m_json;
    UserFeedback m_feedback;
    FileServices m_fileServices;
    TranslationFileServices m_translationFileServices { m_feedback };
    std::unique_ptr<DatabaseAccess> m_access;
    std::unique_ptr<GenerationRunner> m_runner;
    std::unique_ptr<TranslationsView> m_view;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<FormDocument> m_document;
    std::unique_ptr<QWidget> m_panel;
    // The parent every message box must get.
    QMainWindow m_mainWindow;
};

QStringList tst_TranslationsView::tableIds() const
{
    QStringList ids;
    const QAbstractItemModel *model = m_view->translationsModel();
    for (int row = 0; row < model->rowCount(); ++row)
        ids.append(model->index(row, 0).data().toString());
    return ids;
}

void tst_TranslationsView::attach(const QString &text)
{
    QString error;
    QVERIFY2(m_document->setText(text, &error), qPrintable(error));
    m_document->model()->attachView(m_view.get());
}

void tst_TranslationsView::addTranslation(const std::string &id,
                                          const std::string &language,
                                          const std::string &text)
{
    DatabaseIo &database = m_database->databaseIo();
    std::int64_t key = database.translatableId(id);
    if (key < 0)
        key = database.addTranslatable(id);
    database.updateTranslation(key, language, text);
}

QTEST_MAIN(tst_TranslationsView)
#include "tst_translationsview.moc"
