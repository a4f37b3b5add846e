// The debug translation client's wire format (checked against Qt's own
// protocol helpers), its reception of damaged replies, the client factory's
// choice of runner, the result JSON and report built from the replies, the
// frames the translations view draws from a result and the visual report page.

#include "previewtestproject.h"

#include "databaseaccess.h"
#include "fileservices.h"
#include "jsonimportexport.h"
#include "translationfileservices.h"
#include "translationsview/translationsview.h"
#include "translationsview/translationsviewwidget.h"
#include "translationsview/translationswidget.h"
#include "translationtests/advancedqmldebugtranslationclient.h"
#include "translationtests/qmldebugtranslationrunner.h"
#include "translationtests/qmldebugtranslationrunnerprivate.h"
#include "translationtests/translationtestresults.h"
#include "translationtests/visualreportpage.h"
#include "userfeedback.h"

#include <designer/documentmodel.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/viewmanager.h>
#include <preview/previewplugin.h>

#include <private/qqmldebugconnection_p.h>

#include <testfiles.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Lexora;
using QQmlDebugTranslation::QmlElement;

namespace {

// Records what the client sends instead of sending it.
class RecordingClient : public AdvancedQmlDebugTranslationClient
{
public:
    using AdvancedQmlDebugTranslationClient::AdvancedQmlDebugTranslationClient;
    void send(const QByteArray &message) override { sent.append(message); }
    QList<QByteArray> sent;
};

QmlElement element(const QString &file, int line, int column, const QString &id)
{
    QmlElement element;
    element.codeMarker.url = QUrl::fromLocalFile(file);
    element.codeMarker.line = line;
    element.codeMarker.column = column;
    element.translationId = id;
    element.fontFamily = QStringLiteral("Sans");
    element.fontStyleName = QStringLiteral("Regular");
    element.fontPointSize = 9.5;
    element.fontPixelSize = 13;
    element.horizontalAlignment = Qt::AlignLeft;
    element.verticalAlignment = Qt::AlignTop;
    return element;
}

TranslationIssue
issue(const QString &file, int line, int column, int type, const QString &language = "de")
{
    return { QUrl::fromLocalFile(file), line, column, language, type };
}

// "Missing" and "Exceeds" for `flags` M, E, both or neither ("-").
QString findingJson(const QString &flags)
{
    return QStringLiteral(R"("Missing":%1,"Exceeds":%2)")
        .arg(flags.contains('M') ? "true" : "false", flags.contains('E') ? "true" : "false");
}

// A test result as the runner writes it, one record per description
// "path:line:column:flags[:state[:id]]" followed by "|language:flags:text" per
// language it was tested in; the ID is "t" unless given.
QByteArray result(const QStringList &descriptions)
{
    QStringList records;
    for (const QString &description : descriptions) {
        QStringList languages = description.split('|');
        const QStringList f = languages.takeFirst().split(':');
        for (QString &l : languages)
            l = QStringLiteral(R"({"language":"%1","text":"%2",%3})")
                    .arg(
                        l.section(':', 0, 0), l.section(':', 2), findingJson(l.section(':', 1, 1)));
        records.append(
            QStringLiteral(
                R"({"translationId":"%1","componentPath":"%2","sceneId":"","state":"%3",)"
                R"("metaData":[{%4,"sourceLocation":{"line":%5,"column":%6}}]%7})")
                .arg(f.value(5, "t"),
                     f[0],
                     f.value(4),
                     findingJson(f[3]),
                     f[1],
                     f[2],
                     languages.isEmpty() ? QString()
                                         : R"(,"languages":[)" + languages.join(',') + ']'));
    }
    return ('[' + records.join(',') + ']').toUtf8();
}

// "language:finding:text" per tested language of a record, finding M, E or -.
QString languageFindings(const QJsonValue &record)
{
    QStringList findings;
    for (const QJsonValue &language : record["languages"].toArray())
        findings.append(language["language"].toString() + ':'
                        + (language["Missing"].toBool()       ? "M"
                               : language["Exceeds"].toBool() ? "E"
                                                              : "-")
                        + ':' + language["text"].toString());
    return findings.join(' ');
}

// "type@line:column language/state id text" per error of a report's component.
QString reportErrors(const QJsonValue &component)
{
    QStringList errors;
    for (const QJsonValue &error : component["errors"].toArray())
        errors.append(QStringLiteral("%1@%2:%3 %4/%5 %6 %7")
                          .arg(error["errorType"].toString())
                          .arg(error["line"].toInt())
                          .arg(error["column"].toInt())
                          .arg(error["language"].toString(),
                               error["state"].toString(),
                               error["translationId"].toString(),
                               error["text"].toString()));
    return errors.join(',');
}

QString colourName(const QColor &color)
{
    return !color.isValid()            ? "none"
        : color == QColor(Qt::green)   ? "plain"
        : color == QColor(Qt::red)     ? "missing"
        : color == QColor(Qt::magenta) ? "elide"
                                       : color.name(QColor::HexArgb);
}

const QByteArray twoTexts = "import QtQuick\nItem {\n    Text { id: first; text: qsTrId(\"a\") }\n"
                            "    Text { id: second; text: qsTrId(\"b\") }\n}\n";

// "id=colour" for both texts of a screen; any other framed node follows as
// "type=colour".
QStringList framesOf(Host::Designer::FormDocument *document)
{
    QStringList names;
    for (const char *id : { "first", "second" }) {
        Host::Designer::Node *node = document->model()->nodeForId(QString::fromLatin1(id));
        if (!node)
            return { "no node " + QString::fromLatin1(id) };
        names.append(QString::fromLatin1(id) + '='
                     + colourName(node->auxiliaryData("FrameColor@Internal").value<QColor>()));
    }
    for (Host::Designer::Node *node : document->model()->rootNode()->subtreeNodes()) {
        if (node->id() != QLatin1String("first") && node->id() != QLatin1String("second")
            && node->hasAuxiliaryData("FrameColor@Internal"))
            names.append(node->typeName() + '='
                         + colourName(node->auxiliaryData("FrameColor@Internal").value<QColor>()));
    }
    return names;
}

enum class Payload { None, States, Issues, Elements, Garbage, TruncatedStates, HugeCount };

} // namespace

Q_DECLARE_METATYPE(Payload)
Q_DECLARE_METATYPE(QList<Lexora::QmlDebugTranslationRunnerPrivate::ResultRecord>)
Q_DECLARE_METATYPE(Lexora::TranslationIssues)

class tst_DebugTranslationClient : public QObject
{
    Q_OBJECT

private slots:
    // Every request as Qt's own protocol helpers write it.
    void requests()
    {
        using namespace QQmlDebugTranslation;
        QQmlDebugConnection connection;
        RecordingClient client(&connection);
        client.sendStateListRequest();
        client.sendChangeStateRequest("dark");
        client.sendTranslationIssuesRequest();
        client.sendTranslatableTextOccurrencesRequest();
        client.sendWatchTextElidesRequest();
        const auto written = [](QByteArray (*create)(QDataStream &)) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QDataStream stream(&buffer);
            stream.setVersion(QDataStream::Qt_6_0);
            return create(stream);
        };
        QCOMPARE(
            client.sent,
            QList<QByteArray>({
                written([](QDataStream &s) { return createStateListRequest(s); }),
                written([](QDataStream &s) { return createChangeStateRequest(s, "dark"); }),
                written([](QDataStream &s) { return createTranslationIssuesRequest(s); }),
                written([](QDataStream &s) { return createTranslatableTextOccurrencesRequest(s); }),
                written([](QDataStream &s) { return createWatchTextElidesRequest(s); }),
            }));
    }

    void reception_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<Payload>("payload");
        QTest::addColumn<QString>("signal");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("warning");
        const QString occurrences = "translatableTextOccurrencesReceived";
        QTest::newRow("language changed") << 101 << Payload::None << "languageChanged" << 0 << "";
        QTest::newRow("state list") << 102 << Payload::States << "stateListReceived" << 2 << "";
        QTest::newRow("state list cut short")
            << 102 << Payload::TruncatedStates << "stateListReceived" << 0 << "";
        QTest::newRow("state list with an absurd count")
            << 102 << Payload::HugeCount << "stateListReceived" << 0 << "";
        QTest::newRow("state changed, name ignored")
            << 103 << Payload::States << "viewStateChanged" << 0 << "";
        QTest::newRow("issues") << 104 << Payload::Issues << "translationIssuesReceived" << 2 << "";
        QTest::newRow("issues damaged")
            << 104 << Payload::Garbage << "translationIssuesReceived" << 0 << "";
        QTest::newRow("occurrences") << 105 << Payload::Elements << occurrences << 3 << "";
        QTest::newRow("occurrences with an absurd count")
            << 105 << Payload::HugeCount << occurrences << 0 << "";
        QTest::newRow("unknown code")
            << 107 << Payload::Elements << "" << 0
            << "TestDebugTranslationClient: received unknown command: 107";
        QTest::newRow("request code as reply")
            << 2 << Payload::None << "" << 0
            << "TestDebugTranslationClient: received unknown command: 2";
    }

    void reception()
    {
        QFETCH(int, code);
        QFETCH(Payload, payload);
        QFETCH(QString, signal);
        QFETCH(int, count);
        QFETCH(QString, warning);

        QQmlDebugConnection connection;
        AdvancedQmlDebugTranslationClient client(&connection);
        // Every signal of the client: the one expected must come, and no other.
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject *meta = client.metaObject();
        for (int index = QObject::staticMetaObject.methodCount(); index < meta->methodCount();
             ++index) {
            if (meta->method(index).methodType() == QMetaMethod::Signal)
                spies[meta->method(index).name()].reset(
                    new QSignalSpy(&client, meta->method(index)));
        }
        QVERIFY(spies.count("translatableTextOccurrencesReceived")
                && spies.count("languageChanged"));
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        client.messageReceived(reply(client.dataStreamVersion(), code, payload));

        for (const auto &[name, spy] : spies)
            QVERIFY2(spy->count() == (name == signal ? 1 : 0), qPrintable(name));
        if (signal == "stateListReceived")
            QCOMPARE(spies["stateListReceived"]->first().first().toStringList().size(), count);
        if (signal == "translationIssuesReceived")
            QCOMPARE(client.issues().size(), count);
        if (signal == "translatableTextOccurrencesReceived") {
            const auto received = spies[signal]->first().first().value<QList<QmlElement>>();
            QCOMPARE(received.size(), count);
            QCOMPARE(client.occurrences().size(), count);
            if (count > 0) {
                const QmlElement &b = received.at(1);
                QCOMPARE(b.translationId, QStringLiteral("b"));
                QCOMPARE(QList<int>({ b.codeMarker.line,
                                      b.codeMarker.column,
                                      b.fontPixelSize,
                                      b.verticalAlignment }),
                         QList<int>({ 8, 9, 13, int(Qt::AlignTop) }));
                QCOMPARE(b.fontPointSize, 9.5);
                QCOMPARE(b.fontStyleName, QStringLiteral("Regular"));
            }
        }
    }

    void issuesAccumulate()
    {
        QQmlDebugConnection connection;
        AdvancedQmlDebugTranslationClient client(&connection);
        const int version = client.dataStreamVersion();
        for (Payload payload : { Payload::Issues, Payload::Garbage, Payload::Issues })
            client.messageReceived(reply(version, 104, payload));
        QCOMPARE(client.issues().size(), 4);
        QCOMPARE(client.issues().at(3), issue("/p/A.ui.qml", 8, 9, 1));
        // Occurrences are replaced, not accumulated.
        client.messageReceived(reply(version, 105, Payload::Elements));
        client.messageReceived(reply(version, 105, Payload::Elements));
        QCOMPARE(client.occurrences().size(), 3);

        // The element list goes through the meta type system with its stream operators.
        AdvancedQmlDebugTranslationClient::registerTypes();
        const QMetaType type = QMetaType::fromName("QList<QQmlDebugTranslation::QmlElement>");
        QVERIFY(type.isValid() && type.hasRegisteredDataStreamOperators());
        const QList<QmlElement> elements { element("/p/A.ui.qml", 3, 5, "a"),
                                           element("/p/B.ui.qml", 1, 2, "b") };
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            QVERIFY(type.save(out, &elements));
        }
        QList<QmlElement> read;
        QDataStream in(bytes);
        QVERIFY(type.load(in, &read));
        QCOMPARE(read.size(), 2);
        QCOMPARE(read.at(1).translationId, QStringLiteral("b"));
        QCOMPARE(read.at(1).codeMarker.column, 2);
        QCOMPARE(in.status(), QDataStream::Ok);
        QVERIFY(in.atEnd());
    }

    void alignment_data()
    {
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<QString>("expected");
        QTest::newRow("top left") << 1 << 0x20 << "Top Left";
        QTest::newRow("left only") << 1 << 0 << "Left";
        QTest::newRow("bottom only") << 0 << 0x40 << "Bottom";
        QTest::newRow("vcenter hcenter") << 4 << 0x80 << "VCenter HCenter";
        QTest::newRow("baseline justify") << 8 << 0x100 << "Baseline Justify";
        QTest::newRow("right") << 2 << 0x20 << "Top Right";
        QTest::newRow("neither known") << 3 << 0x60 << "";
    }

    void alignment()
    {
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        QFETCH(QString, expected);
        QCOMPARE(QmlDebugTranslationRunnerPrivate::alignmentName(horizontal, vertical), expected);
    }

    void resultJson_data()
    {
        using Record = QmlDebugTranslationRunnerPrivate::ResultRecord;
        using Issues = TranslationIssues;
        QTest::addColumn<QList<Record>>("records");
        QTest::addColumn<TranslationIssues>("issues");
        // "id/state:missing,exceeds,Line" per record of the result, then
        // " language:finding:text" per tested language (finding M, E or -)
        QTest::addColumn<QStringList>("expected");

        const QString file = QStringLiteral("/nonexistent/A.ui.qml");
        const QmlElement a = element(file, 3, 5, "a");
        const QmlElement b = element(file, 8, 9, "b");
        using Languages = QMap<QString, QmlDebugTranslationRunnerPrivate::LanguageResult>;
        QTest::newRow("no issues") << QList<Record> { { a, "", {} }, { b, "", {} } } << Issues {}
                                   << QStringList { "a/:0,0,", "b/:0,0," };
        QTest::newRow("identical occurrences give one record")
            << QList<Record> { { a, "", {} }, { a, "", {} }, { a, "on", {} } } << Issues {}
            << QStringList { "a/:0,0,", "a/on:0,0," };
        QTest::newRow("missing in one language")
            << QList<Record> { { a, "", {} } } << Issues { issue(file, 3, 5, 0, "fr") }
            << QStringList { "a/:1,0,Missing translation" };
        QTest::newRow("elided") << QList<Record> { { a, "", {} } }
                                << Issues { issue(file, 3, 5, 1) }
                                << QStringList { "a/:0,1,Exceeds" };
        QTest::newRow("missing and elided: Line says Exceeds")
            << QList<Record> { { a, "", {} } }
            << Issues { issue(file, 3, 5, 0), issue(file, 3, 5, 1, "fr") }
            << QStringList { "a/:1,1,Exceeds" };
        QTest::newRow("issue of another column, line or file")
            << QList<Record> { { a, "", {} } }
            << Issues { issue(file, 3, 6, 0),
                        issue(file, 4, 5, 0),
                        issue("/nonexistent/B.ui.qml", 3, 5, 1) }
            << QStringList { "a/:0,0," };
        QTest::newRow("a finding counts for every state")
            << QList<Record> { { a, "", {} }, { a, "on", {} } } << Issues { issue(file, 3, 5, 1) }
            << QStringList { "a/:0,1,Exceeds", "a/on:0,1,Exceeds" };
        // Languages in the run's order, not the record's; one not tested is left out.
        QTest::newRow("per language")
            << QList<Record> { { a,
                                 "",
                                 Languages { { "fr", { "a", true, false } },
                                             { "de", { "Ein langer Titel", false, true } } } },
                               { b, "", Languages { { "it", { "b", true, false } } } } }
            << Issues { issue(file, 3, 5, 0, "fr"), issue(file, 3, 5, 1, "de") }
            << QStringList { "a/:1,1,Exceeds de:E:Ein langer Titel fr:M:a", "b/:0,0," };
    }

    void resultJson()
    {
        using Record = QmlDebugTranslationRunnerPrivate::ResultRecord;
        QFETCH(QList<Record>, records);
        QFETCH(TranslationIssues, issues);
        QFETCH(QStringList, expected);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not get customId from"));
        const QByteArray json
            = QmlDebugTranslationRunnerPrivate::resultJson(records, issues, { "de", "fr" });
        QVERIFY(!json.contains('\n'));
        QStringList actual;
        for (const QJsonValue &record : QJsonDocument::fromJson(json).array()) {
            const QJsonObject metaData = record["metaData"].toArray().first().toObject();
            actual.append(QStringLiteral("%1/%2:%3,%4,%5")
                              .arg(record["translationId"].toString(), record["state"].toString())
                              .arg(int(metaData["Missing"].toBool()))
                              .arg(int(metaData["Exceeds"].toBool()))
                              .arg(metaData["Line"].toString()));
            if (const QString languages = languageFindings(record); !languages.isEmpty())
                actual.last() += ' ' + languages;
            QCOMPARE(record["componentPath"].toString(), QStringLiteral("/nonexistent/A.ui.qml"));
            QCOMPARE(record["sceneId"].toString(), QString());
            QCOMPARE(metaData["Font"].toString() + '/' + metaData["Style"].toString(),
                     QStringLiteral("Sans/Regular"));
            QCOMPARE(metaData["Size"].toDouble(), 9.5);
            QCOMPARE(metaData["Pixel"].toInt(), 13);
            QCOMPARE(metaData["Alignment"].toString(), QStringLiteral("Top Left"));
            QVERIFY(metaData["sourceLocation"].toObject().contains("column"));
        }
        QCOMPARE(actual, expected);
    }

    void sceneId_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("annotation block") << QByteArray(
            "Item {}\n/*##^##\nDesigner {\n    D{i:0;customId:\"login\"}\n}\n##^##*/\n")
                                          << "login";
        // The run of non-asterisks before the entry is greedy: of two entries
        // in one block, the last one wins.
        QTest::newRow("two entries")
            << QByteArray("/*##^##\nD{i:0;customId:\"one\"}D{i:1;customId:\"two\"}\n##^##*/")
            << "two";
        QTest::newRow("no block") << QByteArray("Item { property string customId: \"x\" }") << "";
        QTest::newRow("block without customId")
            << QByteArray("/*##^##\nDesigner { D{i:0;formeditorZoom:2} }\n##^##*/") << "";
        QTest::newRow("an asterisk before the entry")
            << QByteArray("/*##^## * D{i:0;customId:\"late\"}\n##^##*/") << "";
    }

    void sceneId()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("Screen.ui.qml"));
        QVERIFY(writeFile(path, content));
        QCOMPARE(QmlDebugTranslationRunnerPrivate::sceneId(path), expected);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not get customId from.*Gone"));
        QCOMPARE(QmlDebugTranslationRunnerPrivate::sceneId(directory.filePath("Gone.ui.qml")),
                 QString());
    }

    void report_data()
    {
        QTest::addColumn<QByteArray>("result");
        // "path:[type@line:column language/state id text,...]" per component
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty result") << QByteArray("[]") << QStringList { ":[]" };
        QTest::newRow("missing wins over exceeds")
            << result({ "/a:3:7:ME" }) << QStringList { "/a:[Missing translation@3:7 / t ]" };
        QTest::newRow("no finding still gives a group")
            << result({ "/a:3:7:-" }) << QStringList { "/a:[]" };
        QTest::newRow("interrupted component gives three groups")
            << result({ "/a:3:7:E", "/b:4:7:M", "/a:5:7:M" })
            << QStringList { "/a:[Exceeds@3:7 / t ]",
                             "/b:[Missing translation@4:7 / t ]",
                             "/a:[Missing translation@5:7 / t ]" };
        // One error per language with a finding; missing wins within a language only.
        QTest::newRow("per language")
            << result({ "/a:3:7:ME:on|de:E:Zu lang|fr:ME:t|it:-:Corto" })
            << QStringList { "/a:[Exceeds@3:7 de/on t Zu lang,Missing translation@3:7 fr/on t t]" };
        QTest::newRow("not JSON") << QByteArray("{broken") << QStringList { ":[]" };
    }

    void report()
    {
        QFETCH(QByteArray, result);
        QFETCH(QStringList, expected);
        QStringList actual;
        for (const QJsonValue &value :
             TranslationTestResults::report(result)["components"].toArray())
            actual.append(value["componentPath"].toString() + ":[" + reportErrors(value) + ']');
        QCOMPARE(actual, expected);
    }

    void reportIsNotWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::newRow("missing folder") << "missing/dir/report.json" << QString();
        // A device takes nothing; the report must not pass for written.
        QTest::newRow("full device") << "/dev/full" << QString();
        QTest::newRow("link out of the folder") << "report.json"
                                                << "outside/victim.json";
        QTest::newRow("dangling link out of the folder") << "report.json"
                                                         << "outside/new.json";
    }

    void reportIsNotWritten()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QTemporaryDir directory;
        QVERIFY(QDir(directory.path()).mkpath("project"));
        const QString path = name.startsWith('/') ? name : directory.filePath("project/" + name);
        const QString victim = directory.filePath("outside/victim.json");
        QVERIFY(writeFile(victim, "{}"));
        if (!target.isEmpty())
            QVERIFY(QFile::link(directory.filePath(target), path));

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Unable to write the translation test report"));
        QString error;
        QVERIFY(!TranslationTestResults::writeReport(path, "[]", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(path).isSymLink() || !QFileInfo(path).isFile());
        QVERIFY(!QFile::exists(directory.filePath("outside/new.json")));
        QCOMPARE(readFile(victim), "{}");
    }

    void frames_data()
    {
        QTest::addColumn<QByteArray>("result");
        // the language shown; none: every language together
        QTest::addColumn<QString>("language");
        // "line:column=colour" per frame, colours named plain, missing, elide or
        // none, then " | " and the tooltip's lines joined by " / " when it has one
        QTest::addColumn<QStringList>("expected");

        const QByteArray perLanguage = result({ "/p/A.ui.qml:3:9:ME|de:E:Zu lang|fr:M:t" });
        const QString both = " / Missing translation in: fr / Elided in: de";
        QTest::newRow("elided in the language shown, missing in another")
            << perLanguage << "de"
            << QStringList { "3:9=elide | t / de: Elided (\u201cZu lang\u201d)" + both };
        QTest::newRow("missing in the language shown")
            << perLanguage << "fr"
            << QStringList { "3:9=missing | t / fr: Missing translation (\u201ct\u201d)" + both };
        QTest::newRow("language not tested: every language together")
            << perLanguage << "it"
            << QStringList { "3:9=missing | t / Missing translation" + both };
        QTest::newRow("each finding its colour")
            << result({ "/p/A.ui.qml:3:9:-", "/p/A.ui.qml:4:9:M", "/p/A.ui.qml:5:9:E" })
            << QString()
            << QStringList { "3:9=plain | t / No finding",
                             "4:9=missing | t / Missing translation",
                             "5:9=elide | t / Elided" };
        QTest::newRow("missing wins over exceeds")
            << result({ "/p/A.ui.qml:7:9:ME" }) << QString()
            << QStringList { "7:9=missing | t / Missing translation" };
        QTest::newRow("other files are skipped")
            << result({ "/p/B.ui.qml:3:9:M", "/p/A.ui.qml:8:9:-" }) << QString()
            << QStringList { "8:9=plain | t / No finding" };
        QTest::newRow("only other files")
            << result({ "/p/B.ui.qml:3:9:M" }) << QString() << QStringList {};
        QTest::newRow("paths compare case-sensitively")
            << result({ "/p/a.ui.qml:3:9:M" }) << QString() << QStringList {};
    }

    void frames()
    {
        QFETCH(QByteArray, result);
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        QStringList actual;
        for (const auto &frame : TranslationTestResults::frames(
                 result, "/p/A.ui.qml", language, Qt::green, Qt::red, Qt::magenta)) {
            actual.append(QStringLiteral("%1:%2=").arg(frame.line).arg(frame.column)
                          + colourName(frame.color));
            if (!frame.toolTip.isEmpty())
                actual.last() += " | " + frame.toolTip.split('\n').join(" / ");
        }
        QCOMPARE(actual, expected);
    }

    void clientFactory()
    {
        PreviewHost host;
        Host::Preview::PreviewPlugin *preview = host.preview();
        QQmlDebugConnection connection;
        auto first = std::make_unique<QmlDebugTranslationRunner>();
        QmlDebugTranslationRunner second; // installed the factory last
        auto *firstPrivate = first->findChild<QmlDebugTranslationRunnerPrivate *>();
        auto *secondPrivate = second.findChild<QmlDebugTranslationRunnerPrivate *>();
        QVERIFY(firstPrivate && secondPrivate);
        const auto isAdvanced = [&] {
            std::unique_ptr<QObject> client(preview->createDebugTranslationClient(&connection));
            return qobject_cast<AdvancedQmlDebugTranslationClient *>(client.get()) != nullptr;
        };
        // No test run: the preview's plain client.
        QVERIFY(!isAdvanced());

        // The runner that starts a run gets the client, not the one created last.
        QmlDebugTranslationRunnerPrivate::setTestRunOwner(firstPrivate);
        auto *client = preview->createDebugTranslationClient(&connection);
        QVERIFY(qobject_cast<AdvancedQmlDebugTranslationClient *>(client));
        QCOMPARE(firstPrivate->client.data(), client);
        QVERIFY(!secondPrivate->client);
        delete client;
        QVERIFY(!firstPrivate->client); // guarded: the preview deleted it

        // A destroyed runner takes the flag with it.
        first.reset();
        QCOMPARE(QmlDebugTranslationRunnerPrivate::testRunOwner(), nullptr);
        QVERIFY(!isAdvanced());
    }

    void highlight_data()
    {
        QTest::addColumn<QByteArray>("qml");
        QTest::addColumn<QStringList>("findings"); // "line:column:flags"
        QTest::addColumn<QStringList>("expected");
        // Positions are where the service reports them: the qsTrId call.
        QTest::newRow("one-line element followed by another")
            << twoTexts << QStringList { "3:29:M" }
            << QStringList { "first=missing", "second=none" };
        QTest::newRow("multi-line element")
            << QByteArray("import QtQuick\nItem {\n    Text {\n        id: first\n        text: "
                          "qsTrId(\"a\")\n    }\n"
                          "    Text { id: second; text: qsTrId(\"b\") }\n}\n")
            << QStringList { "5:15:E" } << QStringList { "first=elide", "second=none" };
        // The form frames a state's text around the object it changes: the state's
        // fitting text must not hide the elided text of the object itself.
        QTest::newRow("text a state sets on an elided text")
            << QByteArray(
                   "import QtQuick\nItem {\n    Text { id: first; text: qsTrId(\"a\") }\n"
                   "    Text { id: second; text: qsTrId(\"b\") }\n"
                   "    states: State { name: \"busy\"; PropertyChanges { target: first; text: "
                   "qsTrId(\"c\") } }\n}\n")
            << QStringList { "3:29:E", "5:74:-" } << QStringList { "first=elide", "second=none" };
        QTest::newRow("position outside every text")
            << twoTexts << QStringList { "40:1:M" } << QStringList { "first=none", "second=none" };
    }

    void highlight()
    {
        QFETCH(QByteArray, qml);
        QFETCH(QStringList, findings);
        QFETCH(QStringList, expected);
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("Screen.ui.qml"));
        QVERIFY(writeFile(path, qml));
        QStringList descriptions;
        for (const QString &finding : findings)
            descriptions.append(path + ':' + finding);
        TranslationsView view(m_access, m_translationFileServices, m_fileServices, m_feedback);
        Host::Designer::FormDocument document;
        QString error;
        QVERIFY2(document.open(Host::Utils::Path::fromString(path), &error), qPrintable(error));
        Host::Designer::ViewManager::instance()->setCurrentDocument(&document);
        view.highlightTestResults(result(descriptions), Qt::green, Qt::red, Qt::magenta);
        const QStringList actual = framesOf(&document);
        Host::Designer::ViewManager::instance()->setCurrentDocument(nullptr);
        QCOMPARE(actual.join(' '), expected.join(' '));
        // Without a project database nothing is stored, and no box says so.
        view.addScreenMetaData(result(descriptions));
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(
            windows.cbegin(), windows.cend(), [](QWidget *w) { return w->isVisible(); }));
    }

    void framesPerLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("expected"); // "id=colour" for both texts
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

    void framesPerLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        QFETCH(QString, legendTitle);
        QFETCH(bool, formOnly);

        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("Screen.ui.qml"));
        const QString other = directory.filePath(QStringLiteral("Other.ui.qml"));
        QVERIFY(writeFile(path, twoTexts) && writeFile(other, twoTexts));
        const QStringList descriptions {
            path + ":3:29:E::a|de:E:Ein sehr langer Titel|fr:-:Titre|qps-ploc:-:[Ţîţļé~~~~~ ~~~]",
            path + ":4:29:M::b|de:-:Hinweis|fr:M:b|qps-ploc:E:[Ĥîñţ~~]"
        };
        const QByteArray resultJson = result(descriptions);

        TranslationsView view(m_access, m_translationFileServices, m_fileServices, m_feedback);
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
        const auto toolTip = [](Host::Designer::FormDocument *document, const char *id) {
            return document->model()
                ->nodeForId(id)
                ->auxiliaryData("FrameToolTip@Internal")
                .toString();
        };
        auto document = open(path);
        view.onCurrentLanguageChanged(formOnly ? QStringLiteral("de") : language);
        view.highlightTestResults(resultJson, Qt::green, Qt::red, Qt::magenta);
        show(document.get());
        QCOMPARE(framesOf(document.get()), expected);
        QVERIFY(!legend->isHidden());
        QVERIFY2(legend->text().startsWith(legendTitle), qPrintable(legend->text()));
        QVERIFY(legend->text().contains(QLatin1String("Elided")));
        // The tooltip names the text, its finding in the language shown and the
        // languages that have each finding.
        const QString second = toolTip(document.get(), "second");
        QVERIFY2(second.startsWith("b\n") && second.contains("Missing translation in: fr"),
                 qPrintable(second));

        // Another document has no results and no legend; back again, the frames are back.
        document = open(other);
        QCOMPARE(framesOf(document.get()), QStringList({ "first=none", "second=none" }));
        QVERIFY(legend->isHidden());
        document = open(path);
        show(document.get());
        QCOMPARE(framesOf(document.get()), expected);
        QVERIFY(!legend->isHidden());

        // A text tested in several states shows the worst of them and tells of each.
        view.highlightTestResults(
            result(descriptions + QStringList { path + ":3:29:M:dark:a|" + language + ":M:a" }),
            Qt::green,
            Qt::red,
            Qt::magenta);
        QCOMPARE(framesOf(document.get()).first(), QStringLiteral("first=missing"));
        const QString first = toolTip(document.get(), "first");
        QVERIFY2(first.startsWith("a\n") && first.contains("\n\na, state dark\n"),
                 qPrintable(first));
        view.highlightTestResults(resultJson, Qt::green, Qt::red, Qt::magenta);

        // Switching the panel's language shows the other language's findings.
        view.onCurrentLanguageChanged(language == QLatin1String("de") ? "fr" : "de");
        QVERIFY(framesOf(document.get()) != expected);
        viewManager->setCurrentDocument(nullptr);
    }

    // Every text of the visual report's page comes from the project; none may
    // become markup, and picture names are links relative to the page.
    void visualReportPageEscapes_data()
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

    void visualReportPageEscapes()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, written);
        const auto given = [&](const char *name, const QString &otherwise) {
            return field == name ? value : otherwise;
        };
        VisualReportPage page;
        page.languages = { given("language", "de") };
        VisualReportPage::Finding finding;
        finding.missing = true;
        finding.translationId = given("id", "title");
        finding.shownText = given("text", "title");
        finding.framed = true;
        page.rows.append({ given("screen", "Main.ui.qml"),
                           given("state", QString()),
                           { { page.languages.first(),
                               given("file", "01.png"),
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

private:
    QByteArray reply(int version, qint32 code, Payload payload)
    {
        QByteArray message;
        QDataStream stream(&message, QIODevice::WriteOnly);
        stream.setVersion(version);
        stream << code;
        if (payload == Payload::States)
            stream << QStringList { "dark", "compact" };
        else if (payload == Payload::Issues)
            stream << QList<TranslationIssue> { issue("/p/A.ui.qml", 3, 5, 0),
                                                issue("/p/A.ui.qml", 8, 9, 1) };
        else if (payload
                 == Payload::Elements) // Qt's own writer: our reader is judged by the peer's layout
            stream << QList<QmlElement> { element("/p/A.ui.qml", 3, 5, "a"),
                                          element("/p/A.ui.qml", 8, 9, "b"),
                                          element("/p/B.ui.qml", 1, 1, "c") };
        else if (payload == Payload::Garbage)
            message.append("\x01\x02", 2);
        else if (payload == Payload::TruncatedStates)
            stream << quint32(3) << QStringLiteral("dark");
        else if (payload == Payload::HugeCount)
            stream << quint32(0x7fffffff);
        return message;
    }

    JsonImportExport m_json;
    UserFeedback m_feedback;
    FileServices m_fileServices;
    TranslationFileServices m_translationFileServices { m_feedback };
    // No project database: storing a result does nothing and shows no box.
    DatabaseAccess m_access { &m_json };
};

QTEST_MAIN(tst_DebugTranslationClient)

#include "tst_debugtranslationclient.moc"
