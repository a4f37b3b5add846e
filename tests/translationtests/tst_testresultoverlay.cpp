// The translations view's handling of a test result: frames on the items of
// the open document and storing without a database.

#include "databaseaccess.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "jsonimportexport.h"
#include "translationfileservices.h"
#include "translationsview/translationsview.h"
#include "translationsview/translationsviewwidget.h"
#include "translationsview/translationswidget.h"
#include "translationtests/visualreportpage.h"
#include "userfeedback.h"

#include <designer/documentmodel.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/viewmanager.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Lexora;

namespace {

struct Finding
{
    int line;
    int column;
    bool missing;
    bool exceeds;
};

QByteArray result(const QString &path, const QList<Finding> &findings)
{
    QStringList records;
    for (const Finding &finding : findings)
        records.append(
            QStringLiteral(R"({"componentPath":"%1","metaData":[{"Missing":%2,)"
                           R"("Exceeds":%3,"sourceLocation":{"line":%4,"column":%5}}]})")
                .arg(path, finding.missing ? "true" : "false", finding.exceeds ? "true" : "false")
                .arg(finding.line)
                .arg(finding.column));
    return ('[' + records.join(',') + ']').toUtf8();
}

const QByteArray twoTexts = "import QtQuick\n"
                            "Item {\n"
                            "    Text { id: first; text: qsTrId(\"a\") }\n"
                            "    Text { id: second; text: qsTrId(\"b\") }\n"
                            "}\n";

bool writeScreen(const QString &path, const QByteArray &qml)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(qml) == qml.size();
}

QString frameName(const QVariant &frame)
{
    const QColor color = frame.value<QColor>();
    return !frame.isValid()            ? "none"
        : color == QColor(Qt::green)   ? "plain"
        : color == QColor(Qt::red)     ? "missing"
        : color == QColor(Qt::magenta) ? "elide"
                                       : color.name(QColor::HexArgb);
}

// "id=colour" for both texts of a screen, colours named after their finding;
// "none" without a frame. Any other framed node follows as "type=colour".
QStringList frames(Host::Designer::FormDocument *document)
{
    QStringList names;
    for (const char *id : { "first", "second" }) {
        Host::Designer::Node *node = document->model()->nodeForId(QString::fromLatin1(id));
        if (!node)
            return { "no node " + QString::fromLatin1(id) };
        names.append(QString::fromLatin1(id) + '='
                     + frameName(node->auxiliaryData("FrameColor@Internal")));
    }
    for (Host::Designer::Node *node : document->model()->rootNode()->subtreeNodes()) {
        if (node->id() != QLatin1String("first") && node->id() != QLatin1String("second")
            && node->hasAuxiliaryData("FrameColor@Internal"))
            names.append(node->typeName() + '='
                         + frameName(node->auxiliaryData("FrameColor@Internal")));
    }
    return names;
}

} // namespace

Q_DECLARE_METATYPE(QList<Finding>)

class tst_TestResultOverlay : public QObject
{
    Q_OBJECT

private slots:
    void highlight_data();
    void highlight();
    void framesPerLanguage_data();
    void framesPerLanguage();
    void storeWithoutDatabase();
    void visualReportPageEscapes_data();
    void visualReportPageEscapes();

private:
    JsonImportExport m_json;
    UserFeedback m_feedback;
    FileServices m_fileServices;
    TranslationFileServices m_translationFileServices { m_feedback };
};

void tst_TestResultOverlay::highlight_data()
{
    QTest::addColumn<QByteArray>("qml");
    QTest::addColumn<QList<Finding>>("findings");
    QTest::addColumn<QStringList>("expected");

    // Positions are where the service reports them: the qsTrId call.
    QTest::newRow("one-line element followed by another")
        << twoTexts << QList<Finding> { { 3, 29, true, false } }
        << QStringList { "first=missing", "second=none" };
    QTest::newRow("multi-line element")
        << QByteArray("import QtQuick\n"
                      "Item {\n"
                      "    Text {\n"
                      "        id: first\n"
                      "        text: qsTrId(\"a\")\n"
                      "    }\n"
                      "    Text { id: second; text: qsTrId(\"b\") }\n"
                      "}\n")
        << QList<Finding> { { 5, 15, false, true } }
        << QStringList { "first=elide", "second=none" };
    // The form frames a state's text around the object it changes: the state's
    // fitting text must not hide the elided text of the object itself.
    QTest::newRow("text a state sets on an elided text")
        << QByteArray("import QtQuick\n"
                      "Item {\n"
                      "    Text { id: first; text: qsTrId(\"a\") }\n"
                      "    Text { id: second; text: qsTrId(\"b\") }\n"
                      "    states: State { name: \"busy\"; PropertyChanges { target: first; "
                      "text: qsTrId(\"c\") } }\n"
                      "}\n")
        << QList<Finding> { { 3, 29, false, true }, { 5, 74, false, false } }
        << QStringList { "first=elide", "second=none" };
    QTest::newRow("position outside every text")
        << twoTexts << QList<Finding> { { 40, 1, true, false } }
        << QStringList { "first=none", "second=none" };
}

void tst_TestResultOverlay::highlight()
{
    QFETCH(QByteArray, qml);
    QFETCH(QList<Finding>, findings);
    QFETCH(QStringList, expected);

    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("Screen.ui.qml"));
    QVERIFY(writeScreen(path, qml));
    DatabaseAccess access(&m_json, nullptr);
    TranslationsView view(access, m_translationFileServices, m_fileServices, m_feedback);
    Host::Designer::FormDocument document;
    QString error;
    QVERIFY2(document.open(Host::Utils::Path::fromString(path), &error), qPrintable(error));
    Host::Designer::ViewManager::instance()->setCurrentDocument(&document);
    view.highlightTestResults(result(path, findings), Qt::green, Qt::red, Qt::magenta);
    const QStringList actual = frames(&document);
    Host::Designer::ViewManager::instance()->setCurrentDocument(nullptr);
    QCOMPARE(actual.join(QLatin1Char(' ')), expected.join(QLatin1Char(' ')));
}

void tst_TestResultOverlay::framesPerLanguage_data()
{
    QTest::addColumn<QString>("language");
    // "id=colour" for both texts
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("legendTitle");
    // Chosen for the form (as the preview's language menu does), not in the panel.
    QTest::addColumn<bool>("formOnly");

    // The title is elided in German and fits in French; the hint is
    // translated in German only.
    QTest::newRow("German") << "de" << QStringList { "first=elide", "second=plain" }
                            << "Test results in German (de):" << false;
    QTest::newRow("French") << "fr" << QStringList { "first=plain", "second=missing" }
                            << "Test results in French (fr):" << false;
    QTest::newRow("a language not tested: every language together")
        << "it" << QStringList { "first=elide", "second=missing" }
        << "Test results of every language:" << false;
    QTest::newRow("a pseudo language the form shows")
        << "qps-ploc" << QStringList { "first=plain", "second=elide" }
        << "Test results in qps-ploc:" << true;
}

void tst_TestResultOverlay::framesPerLanguage()
{
    QFETCH(QString, language);
    QFETCH(QStringList, expected);
    QFETCH(QString, legendTitle);
    QFETCH(bool, formOnly);

    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("Screen.ui.qml"));
    const QString other = directory.filePath(QStringLiteral("Other.ui.qml"));
    QVERIFY(writeScreen(path, twoTexts) && writeScreen(other, twoTexts));
    const QString record = QStringLiteral(
        R"({"translationId":"%1","componentPath":"%2","state":"","metaData":[{"Missing":%3,)"
        R"("Exceeds":%4,"sourceLocation":{"line":%5,"column":29}}],"languages":[%6]})");
    const QByteArray resultJson
        = ('['
           + record.arg("a", path, "false", "true", "3")
                 .arg(R"({"language":"de","text":"Ein sehr langer Titel","Missing":false,)"
                      R"("Exceeds":true},{"language":"fr","text":"Titre","Missing":false,)"
                      R"("Exceeds":false},{"language":"qps-ploc","text":"[Ţîţļé~~~~~ ~~~]",)"
                      R"("Missing":false,"Exceeds":false})")
           + ','
           + record.arg("b", path, "true", "false", "4")
                 .arg(R"({"language":"de","text":"Hinweis","Missing":false,"Exceeds":false},)"
                      R"({"language":"fr","text":"b","Missing":true,"Exceeds":false},)"
                      R"({"language":"qps-ploc","text":"[Ĥîñţ~~]","Missing":false,"Exceeds":true})")
           + ']')
              .toUtf8();

    DatabaseAccess access(&m_json, nullptr);
    TranslationsView view(access, m_translationFileServices, m_fileServices, m_feedback);
    std::unique_ptr<QWidget> panel(view.widgetDescription().widget);
    QLabel *legend = static_cast<TranslationsViewWidget *>(panel.get())
                         ->translationsWidget()
                         ->testLegendLabel();
    auto *viewManager = Host::Designer::ViewManager::instance();
    const auto open = [&](const QString &name) {
        auto document = std::make_unique<Host::Designer::FormDocument>();
        QString error;
        if (!document->open(Host::Utils::Path::fromString(name), &error))
            qWarning() << error;
        viewManager->setCurrentDocument(document.get());
        document->model()->attachView(&view);
        return document;
    };

    const auto show = [&](Host::Designer::FormDocument *document) {
        if (formOnly)
            document->model()->setAuxiliaryData(
                document->model()->rootNode(), "language@Internal", language);
    };
    auto document = open(path);
    view.onCurrentLanguageChanged(formOnly ? QStringLiteral("de") : language);
    view.highlightTestResults(resultJson, Qt::green, Qt::red, Qt::magenta);
    show(document.get());
    QCOMPARE(frames(document.get()), expected);
    QVERIFY(!legend->isHidden());
    QVERIFY2(legend->text().startsWith(legendTitle), qPrintable(legend->text()));
    QVERIFY(legend->text().contains(QLatin1String("Elided")));
    // The tooltip names the text, its finding in the language shown and the
    // languages that have each finding.
    const QString toolTip = document->model()
                                ->nodeForId(QStringLiteral("second"))
                                ->auxiliaryData("FrameToolTip@Internal")
                                .toString();
    QVERIFY2(toolTip.startsWith(QLatin1String("b\n")), qPrintable(toolTip));
    QVERIFY2(toolTip.contains(QLatin1String("Missing translation in: fr")), qPrintable(toolTip));

    // Another document has no results and no legend; back again, the frames are back.
    document = open(other);
    QCOMPARE(frames(document.get()), QStringList({ "first=none", "second=none" }));
    QVERIFY(legend->isHidden());
    document = open(path);
    show(document.get());
    QCOMPARE(frames(document.get()), expected);
    QVERIFY(!legend->isHidden());

    // A text tested in several states shows the worst of them and tells of each.
    QByteArray withState = resultJson;
    withState.insert(
        withState.size() - 1,
        ','
            + record.arg("a", path, "true", "false", "3")
                  .arg(R"({"language":"%1","text":"a","Missing":true,"Exceeds":false})")
                  .arg(language)
                  .replace(R"("state":"")", R"("state":"dark")")
                  .toUtf8());
    view.highlightTestResults(withState, Qt::green, Qt::red, Qt::magenta);
    QCOMPARE(frames(document.get()).first(), QStringLiteral("first=missing"));
    const QString both = document->model()
                             ->nodeForId(QStringLiteral("first"))
                             ->auxiliaryData("FrameToolTip@Internal")
                             .toString();
    QVERIFY2(both.startsWith(QLatin1String("a\n"))
                 && both.contains(QLatin1String("\n\na, state dark\n")),
             qPrintable(both));
    view.highlightTestResults(resultJson, Qt::green, Qt::red, Qt::magenta);

    // Switching the panel's language shows the other language's findings.
    view.onCurrentLanguageChanged(language == QLatin1String("de") ? "fr" : "de");
    QVERIFY(frames(document.get()) != expected);
    viewManager->setCurrentDocument(nullptr);
}

void tst_TestResultOverlay::storeWithoutDatabase()
{
    // No project database: nothing is stored and no message box appears.
    DatabaseAccess access(&m_json, nullptr);
    TranslationsView view(access, m_translationFileServices, m_fileServices, m_feedback);
    view.addScreenMetaData(R"([{"translationId":"a","componentPath":"/p/A.ui.qml"}])");
    QVERIFY(QApplication::topLevelWidgets().isEmpty()
            || std::none_of(QApplication::topLevelWidgets().cbegin(),
                            QApplication::topLevelWidgets().cend(),
                            [](QWidget *widget) { return widget->isVisible(); }));
}

// Every text of the visual report's page comes from the project; none may
// become markup, and picture names are links relative to the page.
void tst_TestResultOverlay::visualReportPageEscapes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");

    QTest::newRow("ID with a script") << "id"
                                      << "<script>alert(1)</script>"
                                      << "&lt;script&gt;alert(1)&lt;/script&gt;";
    QTest::newRow("shown text with quotes and ampersand") << "text"
                                                          << "Tom & \"Jerry\""
                                                          << "Tom &amp; &quot;Jerry&quot;";
    QTest::newRow("screen name with markup") << "screen"
                                             << "<b>Main</b>.ui.qml"
                                             << "&lt;b&gt;Main&lt;/b&gt;.ui.qml";
    QTest::newRow("state name ending an attribute") << "state"
                                                    << "x\" onload=\"alert(1)"
                                                    << "x&quot; onload=&quot;alert(1)";
    QTest::newRow("language") << "language"
                              << "de<"
                              << "<th>de&lt;</th>";
    QTest::newRow("picture name") << "file"
                                  << "a b\"#1.png"
                                  << "src=\"a%20b%22%231.png\"";
}

void tst_TestResultOverlay::visualReportPageEscapes()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, written);

    VisualReportPage page;
    page.languages = { field == "language" ? value : QStringLiteral("de") };
    VisualReportPage::Finding finding;
    finding.missing = true;
    finding.translationId = field == "id" ? value : QStringLiteral("title");
    finding.shownText = field == "text" ? value : QStringLiteral("title");
    finding.framed = true;
    page.rows.append({ field == "screen" ? value : QStringLiteral("Main.ui.qml"),
                       field == "state" ? value : QString(),
                       { { page.languages.first(),
                           field == "file" ? value : QStringLiteral("01.png"),
                           QSize(10, 10),
                           QString(),
                           { finding } } } });
    const QString html = QString::fromUtf8(page.toHtml());
    QVERIFY2(html.contains(written), qPrintable(html));
    QVERIFY2(!html.contains(value), qPrintable(html));
    // Self-contained: nothing is fetched from elsewhere.
    QVERIFY(!html.contains("http"));
    QVERIFY(!html.contains("<script"));
}

QTEST_MAIN(tst_TestResultOverlay)

#include "tst_testresultoverlay.moc"
