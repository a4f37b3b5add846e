// The debug translation client's wire format (checked against Qt's own
// protocol helpers), its reception of damaged replies, the client factory's
// choice of runner, and the result JSON and report built from the replies.

#include "previewtestproject.h"

#include "translationtests/advancedqmldebugtranslationclient.h"
#include "translationtests/qmldebugtranslationrunner.h"
#include "translationtests/qmldebugtranslationrunnerprivate.h"
#include "translationtests/translationtestresults.h"

#include <preview/previewplugin.h>

#include <private/qqmldebugconnection_p.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
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

// One record of a test result as the runner writes it; `languages` is the
// JSON of its per-language results, if any.
QString record(const char *path,
               bool missing,
               bool exceeds,
               int line,
               int column,
               const QString &state = {},
               const QString &languages = {})
{
    return QStringLiteral(R"({"translationId":"t","componentPath":"%1","sceneId":"","state":"%6",)"
                          R"("metaData":[{"Missing":%2,"Exceeds":%3,)"
                          R"("sourceLocation":{"line":%4,"column":%5}}]%7})")
        .arg(QLatin1String(path), missing ? "true" : "false", exceeds ? "true" : "false")
        .arg(line)
        .arg(column)
        .arg(state,
             languages.isEmpty() ? QString() : QStringLiteral(R"(,"languages":)") + languages);
}

QByteArray array(const QStringList &records)
{
    return (QLatin1Char('[') + records.join(QLatin1Char(',')) + QLatin1Char(']')).toUtf8();
}

enum class Payload { None, States, Issues, Elements, Garbage, TruncatedStates, HugeCount };

using Send = void (*)(RecordingClient &);

} // namespace

Q_DECLARE_METATYPE(Payload)
Q_DECLARE_METATYPE(Send)
Q_DECLARE_METATYPE(QList<Lexora::QmlDebugTranslationRunnerPrivate::ResultRecord>)
Q_DECLARE_METATYPE(Lexora::TranslationIssues)

class tst_DebugTranslationClient : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void reception_data();
    void reception();
    void issuesAccumulate();
    void elementListMetaType();

    void alignment_data();
    void alignment();
    void resultJson_data();
    void resultJson();
    void sceneId_data();
    void sceneId();

    void report_data();
    void report();
    void reportIsNotWritten_data();
    void reportIsNotWritten();
    void frames_data();
    void frames();

    void clientFactory();

private:
    QByteArray reply(int version, qint32 code, Payload payload);
};

void tst_DebugTranslationClient::requests_data()
{
    QTest::addColumn<Send>("send");
    QTest::addColumn<QByteArray>("expected");

    // What Qt's own protocol helpers write for the request.
    const auto row = [](const char *tag, Send send, QByteArray (*create)(QDataStream &)) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QDataStream stream(&buffer);
        stream.setVersion(QDataStream::Qt_6_0);
        QTest::newRow(tag) << send << create(stream);
    };
    using namespace QQmlDebugTranslation;
    row(
        "state list",
        [](RecordingClient &client) { client.sendStateListRequest(); },
        [](QDataStream &stream) { return createStateListRequest(stream); });
    row(
        "change state",
        [](RecordingClient &client) { client.sendChangeStateRequest("dark"); },
        [](QDataStream &stream) { return createChangeStateRequest(stream, "dark"); });
    row(
        "translation issues",
        [](RecordingClient &client) { client.sendTranslationIssuesRequest(); },
        [](QDataStream &stream) { return createTranslationIssuesRequest(stream); });
    row(
        "text occurrences",
        [](RecordingClient &client) { client.sendTranslatableTextOccurrencesRequest(); },
        [](QDataStream &stream) { return createTranslatableTextOccurrencesRequest(stream); });
    row(
        "watch elides",
        [](RecordingClient &client) { client.sendWatchTextElidesRequest(); },
        [](QDataStream &stream) { return createWatchTextElidesRequest(stream); });
}

void tst_DebugTranslationClient::requests()
{
    QFETCH(Send, send);
    QFETCH(QByteArray, expected);

    QQmlDebugConnection connection;
    RecordingClient client(&connection);
    send(client);
    QCOMPARE(client.sent, QList<QByteArray> { expected });
}

QByteArray tst_DebugTranslationClient::reply(int version, qint32 code, Payload payload)
{
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream.setVersion(version);
    stream << code;
    switch (payload) {
    case Payload::None:
        break;
    case Payload::States:
        stream << QStringList { "dark", "compact" };
        break;
    case Payload::Issues:
        stream << QList<TranslationIssue> { issue("/p/A.ui.qml", 3, 5, 0),
                                            issue("/p/A.ui.qml", 8, 9, 1) };
        break;
    case Payload::Elements:
        // Qt's own writer of the record, so our reader is judged by the peer's layout.
        stream << QList<QmlElement> { element("/p/A.ui.qml", 3, 5, "a"),
                                      element("/p/A.ui.qml", 8, 9, "b"),
                                      element("/p/B.ui.qml", 1, 1, "c") };
        break;
    case Payload::Garbage:
        message.append("\x01\x02", 2);
        break;
    case Payload::TruncatedStates:
        stream << quint32(3) << QStringLiteral("dark");
        break;
    case Payload::HugeCount:
        stream << quint32(0x7fffffff);
        break;
    }
    return message;
}

void tst_DebugTranslationClient::reception_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Payload>("payload");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("warning");

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
    QTest::newRow("occurrences") << 105 << Payload::Elements
                                 << "translatableTextOccurrencesReceived" << 3 << "";
    QTest::newRow("occurrences with an absurd count")
        << 105 << Payload::HugeCount << "translatableTextOccurrencesReceived" << 0 << "";
    QTest::newRow("unknown code") << 107 << Payload::Elements << "" << 0
                                  << "TestDebugTranslationClient: received unknown command: 107";
    QTest::newRow("request code as reply")
        << 2 << Payload::None << "" << 0
        << "TestDebugTranslationClient: received unknown command: 2";
}

void tst_DebugTranslationClient::reception()
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
            spies[meta->method(index).name()].reset(new QSignalSpy(&client, meta->method(index)));
    }
    QVERIFY(spies.count("translatableTextOccurrencesReceived") && spies.count("languageChanged"));
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));

    client.messageReceived(reply(client.dataStreamVersion(), code, payload));

    for (const auto &[name, spy] : spies)
        QVERIFY2(spy->count() == (name == signal ? 1 : 0), qPrintable(name));
    const QSignalSpy &states = *spies["stateListReceived"];
    const QSignalSpy &occurrences = *spies["translatableTextOccurrencesReceived"];
    if (signal == "stateListReceived")
        QCOMPARE(states.first().first().toStringList().size(), count);
    if (signal == "translationIssuesReceived")
        QCOMPARE(client.issues().size(), count);
    if (signal == "translatableTextOccurrencesReceived") {
        const auto received = occurrences.first().first().value<QList<QmlElement>>();
        QCOMPARE(received.size(), count);
        QCOMPARE(client.occurrences().size(), count);
        if (count > 0) {
            QCOMPARE(received.at(1).translationId, QStringLiteral("b"));
            QCOMPARE(received.at(1).codeMarker.line, 8);
            QCOMPARE(received.at(1).codeMarker.column, 9);
            QCOMPARE(received.at(1).fontPointSize, 9.5);
            QCOMPARE(received.at(1).fontPixelSize, 13);
            QCOMPARE(received.at(1).fontStyleName, QStringLiteral("Regular"));
            QCOMPARE(received.at(1).verticalAlignment, int(Qt::AlignTop));
        }
    }
}

void tst_DebugTranslationClient::issuesAccumulate()
{
    QQmlDebugConnection connection;
    AdvancedQmlDebugTranslationClient client(&connection);
    const int version = client.dataStreamVersion();
    client.messageReceived(reply(version, 104, Payload::Issues));
    client.messageReceived(reply(version, 104, Payload::Garbage));
    client.messageReceived(reply(version, 104, Payload::Issues));
    QCOMPARE(client.issues().size(), 4);
    QCOMPARE(client.issues().at(3), issue("/p/A.ui.qml", 8, 9, 1));

    // Occurrences are replaced, not accumulated.
    client.messageReceived(reply(version, 105, Payload::Elements));
    client.messageReceived(reply(version, 105, Payload::Elements));
    QCOMPARE(client.occurrences().size(), 3);
}

void tst_DebugTranslationClient::elementListMetaType()
{
    AdvancedQmlDebugTranslationClient::registerTypes();
    const QMetaType type = QMetaType::fromName("QList<QQmlDebugTranslation::QmlElement>");
    QVERIFY(type.isValid());
    QVERIFY(type.hasRegisteredDataStreamOperators());

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

void tst_DebugTranslationClient::alignment_data()
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

void tst_DebugTranslationClient::alignment()
{
    QFETCH(int, horizontal);
    QFETCH(int, vertical);
    QFETCH(QString, expected);
    QCOMPARE(QmlDebugTranslationRunnerPrivate::alignmentName(horizontal, vertical), expected);
}

void tst_DebugTranslationClient::resultJson_data()
{
    using Record = QmlDebugTranslationRunnerPrivate::ResultRecord;
    QTest::addColumn<QList<Record>>("records");
    QTest::addColumn<TranslationIssues>("issues");
    // "id/state:missing,exceeds,Line" per record of the result, then
    // " language:finding:text" per tested language (finding M, E or -)
    QTest::addColumn<QStringList>("expected");

    const QString file = QStringLiteral("/nonexistent/A.ui.qml");
    const QmlElement a = element(file, 3, 5, "a");
    const QmlElement b = element(file, 8, 9, "b");
    using Languages = QMap<QString, QmlDebugTranslationRunnerPrivate::LanguageResult>;

    QTest::newRow("no issues") << QList<Record> { { a, "", {} }, { b, "", {} } }
                               << TranslationIssues {} << QStringList { "a/:0,0,", "b/:0,0," };
    QTest::newRow("identical occurrences give one record")
        << QList<Record> { { a, "", {} }, { a, "", {} }, { a, "on", {} } } << TranslationIssues {}
        << QStringList { "a/:0,0,", "a/on:0,0," };
    QTest::newRow("missing in one language")
        << QList<Record> { { a, "", {} } } << TranslationIssues { issue(file, 3, 5, 0, "fr") }
        << QStringList { "a/:1,0,Missing translation" };
    QTest::newRow("elided") << QList<Record> { { a, "", {} } }
                            << TranslationIssues { issue(file, 3, 5, 1) }
                            << QStringList { "a/:0,1,Exceeds" };
    QTest::newRow("missing and elided: Line says Exceeds")
        << QList<Record> { { a, "", {} } }
        << TranslationIssues { issue(file, 3, 5, 0), issue(file, 3, 5, 1, "fr") }
        << QStringList { "a/:1,1,Exceeds" };
    QTest::newRow("issue of another column, line or file")
        << QList<Record> { { a, "", {} } }
        << TranslationIssues { issue(file, 3, 6, 0),
                               issue(file, 4, 5, 0),
                               issue("/nonexistent/B.ui.qml", 3, 5, 1) }
        << QStringList { "a/:0,0," };
    QTest::newRow("a finding counts for every state")
        << QList<Record> { { a, "", {} }, { a, "on", {} } }
        << TranslationIssues { issue(file, 3, 5, 1) }
        << QStringList { "a/:0,1,Exceeds", "a/on:0,1,Exceeds" };
    // Languages in the run's order, not the record's; one not tested is left out.
    QTest::newRow("per language")
        << QList<Record> { { a,
                             "",
                             Languages { { "fr", { "a", true, false } },
                                         { "de", { "Ein langer Titel", false, true } } } },
                           { b, "", Languages { { "it", { "b", true, false } } } } }
        << TranslationIssues { issue(file, 3, 5, 0, "fr"), issue(file, 3, 5, 1, "de") }
        << QStringList { "a/:1,1,Exceeds de:E:Ein langer Titel fr:M:a", "b/:0,0," };
}

void tst_DebugTranslationClient::resultJson()
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
    for (const QJsonValue &value : QJsonDocument::fromJson(json).array()) {
        const QJsonObject record = value.toObject();
        const QJsonObject metaData = record["metaData"].toArray().first().toObject();
        actual.append(QStringLiteral("%1/%2:%3,%4,%5")
                          .arg(record["translationId"].toString(), record["state"].toString())
                          .arg(int(metaData["Missing"].toBool()))
                          .arg(int(metaData["Exceeds"].toBool()))
                          .arg(metaData["Line"].toString()));
        for (const QJsonValue &language : record["languages"].toArray()) {
            const QString finding = language["Missing"].toBool() ? "M"
                : language["Exceeds"].toBool()                   ? "E"
                                                                 : "-";
            actual.last()
                += QStringLiteral(" %1:%2:%3")
                       .arg(language["language"].toString(), finding, language["text"].toString());
        }
        QCOMPARE(record["componentPath"].toString(), QStringLiteral("/nonexistent/A.ui.qml"));
        QCOMPARE(record["sceneId"].toString(), QString());
        QCOMPARE(metaData["Font"].toString(), QStringLiteral("Sans"));
        QCOMPARE(metaData["Style"].toString(), QStringLiteral("Regular"));
        QCOMPARE(metaData["Size"].toDouble(), 9.5);
        QCOMPARE(metaData["Pixel"].toInt(), 13);
        QCOMPARE(metaData["Alignment"].toString(), QStringLiteral("Top Left"));
        QVERIFY(metaData["sourceLocation"].toObject().contains("column"));
    }
    QCOMPARE(actual, expected);
}

void tst_DebugTranslationClient::sceneId_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("annotation block") << QByteArray("Item {}\n/*##^##\nDesigner {\n    "
                                                    "D{i:0;customId:\"login\"}\n}\n##^##*/\n")
                                      << "login";
    // The run of non-asterisks before the entry is greedy: of two entries
    // in one block, the last one wins.
    QTest::newRow("two entries") << QByteArray(
        "/*##^##\nD{i:0;customId:\"one\"}D{i:1;customId:\"two\"}\n##^##*/")
                                 << "two";
    QTest::newRow("no block") << QByteArray("Item { property string customId: \"x\" }") << "";
    QTest::newRow("block without customId")
        << QByteArray("/*##^##\nDesigner { D{i:0;formeditorZoom:2} }\n##^##*/") << "";
    QTest::newRow("an asterisk before the entry")
        << QByteArray("/*##^## * D{i:0;customId:\"late\"}\n##^##*/") << "";
}

void tst_DebugTranslationClient::sceneId()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("Screen.ui.qml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(QmlDebugTranslationRunnerPrivate::sceneId(path), expected);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not get customId from.*Gone"));
    QCOMPARE(QmlDebugTranslationRunnerPrivate::sceneId(directory.filePath("Gone.ui.qml")),
             QString());
}

void tst_DebugTranslationClient::report_data()
{
    QTest::addColumn<QByteArray>("result");
    // "path:[type@line:column language/state id text,...]" per component
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty result") << QByteArray("[]") << QStringList { ":[]" };
    QTest::newRow("missing wins over exceeds")
        << array({ record("/a", true, true, 3, 7) })
        << QStringList { "/a:[Missing translation@3:7 / t ]" };
    QTest::newRow("no finding still gives a group")
        << array({ record("/a", false, false, 3, 7) }) << QStringList { "/a:[]" };
    QTest::newRow("interrupted component gives three groups")
        << array({ record("/a", false, true, 3, 7),
                   record("/b", true, false, 4, 7),
                   record("/a", true, false, 5, 7) })
        << QStringList { "/a:[Exceeds@3:7 / t ]",
                         "/b:[Missing translation@4:7 / t ]",
                         "/a:[Missing translation@5:7 / t ]" };
    // One error per language with a finding; missing wins within a language only.
    QTest::newRow("per language") << array({ record("/a",
                                                    true,
                                                    true,
                                                    3,
                                                    7,
                                                    "on",
                                                    R"([{"language":"de","text":"Zu lang",)"
                                                    R"("Missing":false,"Exceeds":true},)"
                                                    R"({"language":"fr","text":"t",)"
                                                    R"("Missing":true,"Exceeds":true},)"
                                                    R"({"language":"it","text":"Corto",)"
                                                    R"("Missing":false,"Exceeds":false}])") })
                                  << QStringList { "/a:[Exceeds@3:7 de/on t Zu lang,"
                                                   "Missing translation@3:7 fr/on t t]" };
    QTest::newRow("not JSON") << QByteArray("{broken") << QStringList { ":[]" };
}

void tst_DebugTranslationClient::report()
{
    QFETCH(QByteArray, result);
    QFETCH(QStringList, expected);

    QStringList actual;
    const QJsonArray components = TranslationTestResults::report(result)["components"].toArray();
    for (const QJsonValue &value : components) {
        QStringList errors;
        for (const QJsonValue &error : value["errors"].toArray())
            errors.append(QStringLiteral("%1@%2:%3 %4/%5 %6 %7")
                              .arg(error["errorType"].toString())
                              .arg(error["line"].toInt())
                              .arg(error["column"].toInt())
                              .arg(error["language"].toString(),
                                   error["state"].toString(),
                                   error["translationId"].toString(),
                                   error["text"].toString()));
        actual.append(value["componentPath"].toString() + ":[" + errors.join(',') + ']');
    }
    QCOMPARE(actual, expected);
}

void tst_DebugTranslationClient::reportIsNotWritten_data()
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

void tst_DebugTranslationClient::reportIsNotWritten()
{
    QFETCH(QString, name);
    QFETCH(QString, target);
    QTemporaryDir directory;
    QVERIFY(QDir(directory.path()).mkpath("project") && QDir(directory.path()).mkpath("outside"));
    const QString path = name.startsWith('/') ? name : directory.filePath("project/" + name);
    const QString victim = directory.filePath("outside/victim.json");
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("{}") == 2);
    file.close();
    if (!target.isEmpty()) {
        QVERIFY(QFile::link(target.startsWith('/') ? target : directory.filePath(target), path));
    }

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^Unable to write the translation test report"));
    QString error;
    QVERIFY(!TranslationTestResults::writeReport(path, "[]", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(path).isSymLink() || !QFileInfo(path).isFile());
    QVERIFY(!QFile::exists(directory.filePath("outside/new.json")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "{}");
}

void tst_DebugTranslationClient::frames_data()
{
    QTest::addColumn<QByteArray>("result");
    // the language shown; none: every language together
    QTest::addColumn<QString>("language");
    // "line:column=colour" per frame, colours named plain, missing, elide or
    // none, then " | " and the tooltip's lines joined by " / " when it has one
    QTest::addColumn<QStringList>("expected");

    const QString titleLanguages = R"([{"language":"de","text":"Zu lang","Missing":false,)"
                                   R"("Exceeds":true},{"language":"fr","text":"t",)"
                                   R"("Missing":true,"Exceeds":false}])";
    const QByteArray perLanguage
        = array({ record("/p/A.ui.qml", true, true, 3, 9, "", titleLanguages) });
    QTest::newRow("elided in the language shown, missing in another")
        << perLanguage << "de"
        << QStringList { "3:9=elide | t / de: Elided (\u201cZu lang\u201d) / Missing "
                         "translation in: fr / Elided in: de" };
    QTest::newRow("missing in the language shown")
        << perLanguage << "fr"
        << QStringList { "3:9=missing | t / fr: Missing translation (\u201ct\u201d) / Missing "
                         "translation in: fr / Elided in: de" };
    QTest::newRow("language not tested: every language together")
        << perLanguage << "it"
        << QStringList { "3:9=missing | t / Missing translation / Missing translation in: fr / "
                         "Elided in: de" };

    QTest::newRow("each finding its colour")
        << array({ record("/p/A.ui.qml", false, false, 3, 9),
                   record("/p/A.ui.qml", true, false, 4, 9),
                   record("/p/A.ui.qml", false, true, 5, 9) })
        << QString()
        << QStringList { "3:9=plain | t / No finding",
                         "4:9=missing | t / Missing translation",
                         "5:9=elide | t / Elided" };
    QTest::newRow("missing wins over exceeds")
        << array({ record("/p/A.ui.qml", true, true, 7, 9) }) << QString()
        << QStringList { "7:9=missing | t / Missing translation" };
    QTest::newRow("other files are skipped") << array(
        { record("/p/B.ui.qml", true, false, 3, 9), record("/p/A.ui.qml", false, false, 8, 9) })
                                             << QString()
                                             << QStringList { "8:9=plain | t / No finding" };
    QTest::newRow("only other files")
        << array({ record("/p/B.ui.qml", true, false, 3, 9) }) << QString() << QStringList {};
    QTest::newRow("paths compare case-sensitively")
        << array({ record("/p/a.ui.qml", true, false, 3, 9) }) << QString() << QStringList {};
}

void tst_DebugTranslationClient::frames()
{
    QFETCH(QByteArray, result);
    QFETCH(QString, language);
    QFETCH(QStringList, expected);

    const QColor plain(Qt::green);
    const QColor missing(Qt::red);
    const QColor elide(Qt::magenta);
    QStringList actual;
    const QString path = QStringLiteral("/p/A.ui.qml");
    for (const auto &frame :
         TranslationTestResults::frames(result, path, language, plain, missing, elide)) {
        const QString name = frame.color == plain ? "plain"
            : frame.color == missing              ? "missing"
            : frame.color == elide                ? "elide"
                                                  : "none";
        actual.append(QStringLiteral("%1:%2=%3").arg(frame.line).arg(frame.column).arg(name));
        if (!frame.toolTip.isEmpty())
            actual.last() += " | " + frame.toolTip.split('\n').join(" / ");
    }
    QCOMPARE(actual, expected);
}

void tst_DebugTranslationClient::clientFactory()
{
    PreviewHost host;
    Host::Preview::PreviewPlugin *preview = host.preview();
    QQmlDebugConnection connection;

    auto first = std::make_unique<QmlDebugTranslationRunner>();
    QmlDebugTranslationRunner second; // installed the factory last
    auto *firstPrivate = first->findChild<QmlDebugTranslationRunnerPrivate *>();
    auto *secondPrivate = second.findChild<QmlDebugTranslationRunnerPrivate *>();
    QVERIFY(firstPrivate && secondPrivate);

    // No test run: the preview's plain client.
    auto *plain = preview->createDebugTranslationClient(&connection);
    QVERIFY(!qobject_cast<AdvancedQmlDebugTranslationClient *>(plain));
    delete plain;

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
    plain = preview->createDebugTranslationClient(&connection);
    QVERIFY(!qobject_cast<AdvancedQmlDebugTranslationClient *>(plain));
    delete plain;
}

QTEST_MAIN(tst_DebugTranslationClient)

#include "tst_debugtranslationclient.moc"
