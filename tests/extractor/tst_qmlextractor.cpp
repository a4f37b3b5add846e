#include "recordingfeedback.h"

#include "translationfiles/findtrcalls.h"
#include "translationfiles/qmltranslationextractor.h"
#include "translationfiles/translationcatalog.h"
#include "translationfiles/translationfunction.h"

#include <private/qqmljsengine_p.h>
#include <private/qqmljslexer_p.h>
#include <private/qqmljsparser_p.h>

#include <peerrequirement.h>

#include <QBuffer>
#include <QDirIterator>
#include <QLibraryInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace Lexora;

namespace {

struct Extraction
{
    bool ok = false;
    QList<CatalogMessage> messages;
    QStringList errors;
    QStringList fileErrors; // "line:message"
};

Extraction extract(const QByteArray &source, const QString &fileName = QStringLiteral("test.qml"))
{
    QBuffer buffer;
    buffer.setData(source);
    buffer.open(QIODevice::ReadOnly);
    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    const bool ok = loadQml(catalog, buffer, fileName, &feedback);
    return { ok, catalog.messages(), feedback.generalErrors(), feedback.fileErrorLines() };
}

// What lupdate writes of a message besides its ID, in one comparable line:
// source text|extra comment|extras as key=value;...|plural.
QString
details(const QString &source, const QString &extraComment, const QStringList &extras, bool plural)
{
    return QStringList { source, extraComment, extras.join(u';'), QString::number(plural) }.join(
        u'|');
}

QString details(const CatalogMessage &message)
{
    QStringList extras;
    for (auto extra = message.extras.cbegin(); extra != message.extras.cend(); ++extra)
        extras.append(extra.key() + u'=' + extra.value());
    return details(message.sourceText, message.extraComment, extras, message.plural);
}

QByteArray repeated(const char *text, int count)
{
    return QByteArray(text).repeated(count);
}

} // namespace

class tst_QmlExtractor : public QObject
{
    Q_OBJECT

private slots:
    // "messages": "id=translator comment" per message, joined by '|'; a TRANSLATOR
    // comment's own message, which is finished, starts with '!'.
    void calls_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("fileErrors");
        const auto row = [](const char *tag,
                            const QString &source,
                            const QString &messages = {},
                            const QString &errors = {}) {
            QTest::newRow(tag) << (source.startsWith("Item") || source.startsWith("//")
                                           || source.startsWith("/*")
                                       ? source
                                       : "Item { property string a: " + source + " }")
                               << messages << errors;
        };
        const QString discarded = "Discarding unconsumed meta data\n";
        row("concatenation", R"(qsTrId("a" + "b"))", "ab=");
        row("concatenation of three", R"(qsTrId("x." + "y" + ".z"))", "x.y.z=");
        row("parenthesised operand", R"(qsTrId("a" + ("b")))");
        row("variable",
            "Item {\n    property string v: \"id\"\n    property string a: qsTrId(v)\n}");
        row("variable plus literal", R"(qsTrId(v + "x"))");
        row("number plus literal", R"(qsTrId(1 + "x"))");
        row("subtraction", R"(qsTrId("a" - "b"))");
        row("call result", R"(qsTrId(String("x")))");
        row("spread", "qsTrId(...ids)");
        row("template literal with qsTrId", "qsTrId(`tmpl.id`)");
        row("single quotes", "qsTrId('single.id')", "single.id=");
        row("escape sequences", "qsTrId(\"q\\\"x\\u00e9\")", u"q\"x\u00e9="_qs);
        row("plural count ignored", R"(qsTrId("files", count))", "files=");
        row("qsTrId without arguments",
            "Item {\n    property string a: \"\"\n    property string b: qsTrId()\n}",
            "",
            "3:qsTrId() requires at least one argument.\n");
        row("line of a call spanning lines",
            "Item {\n    property string b: qsTrId(\n\n    )\n}",
            "",
            "2:qsTrId() requires at least one argument.\n");
        row("QT_TRID_NOOP", R"(QT_TRID_NOOP("noop.id"))", "noop.id=");
        row("QT_TRID_NOOP without arguments",
            "QT_TRID_NOOP()",
            "",
            "1:QT_TRID_NOOP() requires at least one argument.\n");
        row("meta id before qsTr",
            "Item {\n    //= my.id\n    property string a: qsTr(\"Hello\", \"greeting\")\n}",
            "my.id=greeting");
        row("qsTr without meta id", R"(qsTr("Hello", "greeting"))", "=greeting");
        row("meta id before qsTrId",
            "Item {\n    //= my.id\n    property string a: qsTrId(\"other.id\")\n}",
            "",
            "3://= cannot be used with qsTrId(). Ignoring\n3:" + discarded);
        row("meta id consumed by the first call",
            "Item {\n    //= first.id\n    property string a: qsTr(\"A\") + qsTr(\"B\")\n}",
            "first.id=|=");
        row("meta id simplified",
            "Item {\n    //=   spaced \t  id  \n    property string a: qsTr(\"A\")\n}",
            "spaced id=");
        row("trailing comment belongs to the next call",
            "Item {\n    property string a: qsTrId(\"x\") //= next.id\n    property string b: "
            "qsTr(\"y\")\n}",
            "x=|next.id=");
        row("extra comment consumed by a call",
            "Item {\n    //: For the title bar\n    property string a: qsTrId(\"x\")\n}",
            "x=");
        row("extra comment without a call",
            "Item {\n    //: stray note\n    width: 10\n}",
            "",
            "3:" + discarded);
        row("key and value without a call",
            "Item {\n    //~ Key value\n    width: 10\n}",
            "",
            "3:" + discarded);
        row("meta data discarded at the end of a statement",
            "Item {\n    function f() {\n        //= lost.id\n        var x = 1;\n        return "
            "qsTr(\"A\");\n    }\n}",
            "=",
            "4:" + discarded);
        row("qsTr on a template literal",
            "qsTr(`Hello`)",
            "",
            "1:qsTr() cannot be used with template literals. Ignoring\n");
        row("qsTr on a template with substitution",
            "qsTr(`Hello ${name}`)",
            "",
            "1:qsTr() cannot be used with template literals. Ignoring\n");
        row("qsTr without arguments", "qsTr()", "", "1:qsTr() requires at least one argument.\n");
        row("qsTr on a variable", "qsTr(text)");
        row("qsTr with a variable comment", R"(qsTr("Text", note))", "=");
        row("QT_TR_NOOP", R"(QT_TR_NOOP("Text", "c"))", "=c");
        row("qsTranslate with one argument",
            R"(qsTranslate("Ctx"))",
            "",
            "1:qsTranslate() requires at least two arguments.\n");
        row("QT_TRANSLATE_NOOP with one argument",
            R"(QT_TRANSLATE_NOOP("Ctx"))",
            "",
            "1:QT_TRANSLATE_NOOP() requires at least two arguments.\n");
        row("qsTranslate with a comment", R"(qsTranslate("Ctx", "Text", "note"))", "=note");
        row("qsTranslate with a meta id",
            "Item {\n    //= ctx.id\n    property string a: qsTranslate(\"Ctx\", \"Text\")\n}",
            "ctx.id=");
        row("qsTranslate with a variable context", R"(qsTranslate(ctx, "Text"))");
        row("qsTranslate with a variable source", R"(qsTranslate("Ctx", text))");
        row("meta source text before qsTr",
            "Item {\n    //% \"abc\" \"def\"\n    property string a: qsTr(\"x\")\n}",
            "=",
            "3://% cannot be used with qsTr(). Ignoring\n");
        row("meta source text before qsTranslate",
            "Item {\n    //% \"abc\"\n    property string a: qsTranslate(\"C\", \"x\")\n}",
            "=",
            "3://% cannot be used with qsTranslate(). Ignoring\n");
        row("meta source text before qsTrId",
            "Item {\n    //% \"Engineering text\"\n    property string a: qsTrId(\"x\")\n}",
            "x=");
        row("Qt namespace", R"(Qt.qsTrId("x"))");
        row("member chain", R"(a.b.qsTr("x"))");
        row("names outside the families",
            R"([tr("x"), qtTrId("y"), translate("c", "z"), QT_TR_N_NOOP("n")])");
        row("nested calls", R"(qsTrId("outer").arg(qsTrId("inner")))", "outer=|inner=");
        row("JavaScript function",
            "Item {\n    function f(n) {\n        if (n > 1)\n            return "
            "qsTrId(\"many\");\n        return [1].map(x => qsTrId(\"one\"))[0];\n    }\n}",
            "many=|one=");
        row("state",
            "Item {\n    states: State {\n        name: \"s\"\n        PropertyChanges { target: "
            "t; text: qsTrId(\"state.s\") }\n    }\n}",
            "state.s=");
        row("TRANSLATOR line comment",
            "// TRANSLATOR MainScreen The first screen users see\nItem {}",
            "!=The first screen users see");
        row("TRANSLATOR block comment over lines",
            "/*\n   TRANSLATOR   MainScreen   spread\n   out  */\nItem {}",
            "!=spread out");
        row("TRANSLATOR context only", "/* TRANSLATOR MainScreen */\nItem {}");
        row("TRANSLATOR word not at the start", "// the TRANSLATOR Ctx text\nItem {}");
        row("TRANSLATOR colon without space", "//:TRANSLATOR Ctx text\nItem {}");
        row("TRANSLATOR clears the extra comment",
            "Item {\n    //: note\n    // TRANSLATOR Ctx text\n    width: 1\n}",
            "!=text");
    }

    void calls()
    {
        QFETCH(QString, source);
        QFETCH(QString, messages);
        QFETCH(QString, fileErrors);
        const Extraction result = extract(source.toUtf8());
        QVERIFY(result.ok);
        QCOMPARE(result.errors, QStringList());
        QStringList found;
        for (const CatalogMessage &message : result.messages) {
            const bool finished = message.type == CatalogMessage::Finished;
            QVERIFY(finished || message.type == CatalogMessage::Unfinished);
            QCOMPARE(message.translatableKey, -1);
            QVERIFY(finished || message.translation.isEmpty());
            found.append((finished ? "!" : "") + message.id + u'=' + message.translatorComment);
        }
        QCOMPARE(found.join(u'|'), messages);
        QCOMPARE(result.fileErrors.join(QString()), fileErrors);
    }

    void metaComments_data()
    {
        QTest::addColumn<QString>("comments"); // placed after the root object
        QTest::addColumn<QString>("extraComment");
        QTest::addColumn<QString>("metaId");
        QTest::addColumn<QString>("metaSourceText");
        QTest::addColumn<QStringList>("fileErrors");
        const auto row = [](const char *tag,
                            const QString &comments,
                            const QString &extra,
                            const QString &id,
                            const QString &source,
                            const QString &error = {}) {
            QTest::newRow(tag) << comments << extra << id << source
                               << (error.isEmpty() ? QStringList() : QStringList { error });
        };
        const QString unexpected = QStringLiteral("2:Unexpected character in meta string\n");
        const QString unterminated = QStringLiteral("2:Unterminated meta string\n");

        row("two quoted parts", R"(//% "abc" "def")", "", "", "abcdef");
        row("parts across comments", "//% \"abc\"\n//% \"def\"", "", "", "abcdef");
        row("escapes kept", "//% \"a\\\"b\\\\c\"", "", "", "a\\\"b\\\\c");
        row("unexpected character", "//% abc", "", "", "", unexpected);
        row("garbage after a part", R"(//% "abc" x)", "", "", "abc", unexpected);
        row("unterminated", "//% \"abc", "", "", "abc", unterminated);
        row("backslash at the end", "//% \"abc\\", "", "", "abc", unterminated);
        row("backslash before a line break", "/*% \"ab\\\ncd\" */", "", "", "ab", unterminated);
        row("percent without space", R"(//%"abc")", "", "", "");
        row("extra comments join", "//: one\n//: two  words", "one two  words", "", "");
        row("extra comment after a tab", "//:\tnote", "note", "", "");
        row("block extra comment", "/*: block note */", "block note ", "", "");
        row("meta id", "//=  a  b ", "", "a b", "");
        row("last meta id wins", "//= first\n//= second", "", "second", "");
        row("equals without space", "//=id", "", "", "");
        row("space before the marker", "// = id", "", "", "");
    }

    void metaComments()
    {
        QFETCH(QString, comments);
        QFETCH(QString, extraComment);
        QFETCH(QString, metaId);
        QFETCH(QString, metaSourceText);
        QFETCH(QStringList, fileErrors);
        // Comments after the root object are only processed by the final flush,
        // which leaves their meta data pending for inspection.
        QQmlJS::Engine engine;
        QQmlJS::Lexer lexer(&engine);
        lexer.setCode(QStringLiteral("Item {}\n") + comments + QLatin1Char('\n'), 1, true);
        QQmlJS::Parser parser(&engine);
        QVERIFY(parser.parse());
        RecordingFeedback feedback;
        TranslationCatalog catalog(&feedback);
        Support::FindTrCalls visitor(&engine, &catalog, &feedback, QStringLiteral("meta.qml"));
        visitor.extract(parser.ast());
        QCOMPARE(visitor.extraComment(), extraComment);
        QCOMPARE(visitor.metaId(), metaId);
        QCOMPARE(visitor.metaSourceText(), metaSourceText);
        QCOMPARE(feedback.fileErrorLines(), fileErrors);
        for (const RecordingFeedback::Report &error : feedback.fileErrors())
            QCOMPARE(error.filePath, QStringLiteral("meta.qml"));
        QVERIFY(catalog.messages().isEmpty());
    }

    void messageDetails_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>(
            "message"); // id|source text|extra comment|extras as key=value;...|plural
        QTest::newRow("count makes a plural")
            << "a.qml"
            << R"(Item { property string a: qsTrId("files", count) })"
            << "files||||1";
        QTest::newRow("two extra arguments") << "a.qml"
                                             << R"(Item { property string a: qsTrId("x", 1, 2) })"
                                             << "x||||1";
        QTest::newRow("no-op marker takes no count")
            << "a.qml"
            << R"(Item { property string a: QT_TRID_NOOP("n") })"
            << "n||||0";
        QTest::newRow("source text unescaped")
            << "a.qml"
            << "Item {\n    //% \"say \\\"hi\\\"\\n\\x41\\101\\q\" \"!\"\n    property string a: "
               "qsTrId(\"s\")\n}"
            << "s|say \"hi\"\nAAq!|||0";
        QTest::newRow("comments and pairs")
            << "a.qml"
            << "Item {\n    //: one\n    //: two\n    //~ Key   spaced value  \n    //~ Lonely\n   "
               " //~ A b\n    property string a: qsTrId(\"c\", n)\n}"
            << "c||one two|A=b;Key=spaced value|1";
        QTest::newRow("qsTr with a meta id")
            << "a.qml"
            << "Item {\n    //= my.id\n    property string a: qsTr(\"%n thing\", \"d\", 2)\n}"
            << "my.id|%n thing|||1";
        QTest::newRow("script with a pragma")
            << "lib.js"
            << ".pragma library\n//% \"Hi\"\nfunction f(n) { return qsTrId(\"js.id\", n) }\n"
            << "js.id|Hi|||1";
        QTest::newRow("module") << "lib.mjs"
                                << "import { x } from \"./x.mjs\"\n//: note\nexport function f() { "
                                   "return qsTrId(\"mjs.id\") }\n"
                                << "mjs.id||note||0";
    }

    void messageDetails()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, source);
        QFETCH(QString, message);
        const Extraction result = extract(source.toUtf8(), fileName);
        QVERIFY2(result.ok, qPrintable(result.errors.join(QString())));
        QCOMPARE(result.fileErrors, QStringList());
        QCOMPARE(result.messages.size(), 1);
        QCOMPARE(result.messages.first().id + u'|' + details(result.messages.first()), message);
    }

    // Whole files as they come: broken, deep, binary or in another encoding.
    // "report" is the one error, exact or, ending in '*', its start.
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("ids");
        QTest::addColumn<QString>("report");

        QTest::newRow("line 3, column 5")
            << QByteArray("import QtQuick\nItem {\n    )\n}\n") << false << ""
            << "f.qml:3:5: error: Unexpected token `)'\n    )\n    ^\n";
        QTest::newRow("tabs kept in the caret line")
            << QByteArray("import QtQuick\nItem {\n\t   ;\n}\n") << false << ""
            << "f.qml:3:5: error: Unexpected token `;'\n\t   ;\n\t   ^\n";
        QTest::newRow("column 1") << QByteArray("import QtQuick\nItem {\n}\n}\n") << false << ""
                                  << "f.qml:4:1: error: Unexpected token `}'\n}\n^\n";
        QTest::newRow("past the last line") << QByteArray("Item {\n") << false << ""
                                            << "f.qml:2:1: error: Expected token `}'\n\n^\n";
        QTest::newRow("calls before the error yield nothing")
            << QByteArray("Item {\n    property string a: qsTrId(\"x\")\n    b: )\n}\n") << false
            << ""
            << "f.qml:3:8: error: Expected token `;'\n    b: )\n       ^\n";

        // The lost IDs make the file's messages incomplete: an error of that file,
        // reported once however many subtrees were skipped, and a failed load.
        const int n = 10000;
        const QByteArray x = "Item {\n    property var x: ";
        const QByteArray after = "\n    property string after: qsTrId(\"after.deep\")\n}\n";
        const QString deep = "f.qml: Maximum statement or expression depth exceeded";
        QTest::newRow("10000 parentheses")
            << x + repeated("(", n) + "qsTrId(\"lost\")" + repeated(")", n) + after << false
            << "after.deep" << deep;
        QTest::newRow("10000 QML objects")
            << "Item {\n    property string before: qsTrId(\"before.deep\")\n"
                + repeated("Item {\n", n) + repeated("}\n", n) + "}\n"
            << false << "before.deep" << deep;
        QTest::newRow("10000 arrays")
            << x + repeated("[", n) + repeated("]", n) + after << false << "after.deep" << deep;
        QTest::newRow("10000 object literals")
            << x + repeated("({a:", n) + "1" + repeated("})", n) + after << false << "after.deep"
            << deep;
        QTest::newRow("10000 nested blocks")
            << "Item {\n    function f(x) { " + repeated("if (x) {", n) + "qsTrId(\"lost\");"
                + repeated("}", n) + " return qsTrId(\"after.blocks\") }\n}\n"
            << false << "after.blocks" << deep;
        QTest::newRow("10000 nested calls")
            << x + repeated("f(", n) + "qsTrId(\"lost\")" + repeated(")", n) + after << false
            << "after.deep" << deep;
        // The ID of a long concatenation is read without recursion, so it survives
        // even though the walk itself gives up below the call.
        QTest::newRow("100000 concatenated literals")
            << "Item {\n    property string x: qsTrId(" + repeated("\"a\"+", 99999) + "\"a\")\n}\n"
            << false << QString(100000, u'a') << deep;
        QTest::newRow("below the limit")
            << x + repeated("(", 4000) + "qsTrId(\"kept\")" + repeated(")", 4000) + after << true
            << "kept|after.deep"
            << "";
        QTest::newRow("just above the limit")
            << x + repeated("(", 4090) + "qsTrId(\"lost\")" + repeated(")", 4090) + after << false
            << "after.deep" << deep;

        const QByteArray valid
            = "import QtQuick\nItem { property string a: qsTrId(\"plain.id\") }\n";
        QByteArray binary(4096, Qt::Uninitialized);
        QRandomGenerator generator(20261206);
        for (char &byte : binary)
            byte = char(generator.bounded(256));
        const QString utf16Text
            = QStringLiteral("Item { property string a: qsTrId(\"utf16.id\") }\n");
        const QByteArray utf16 = "\xff\xfe"
            + QByteArray(reinterpret_cast<const char *>(utf16Text.utf16()), utf16Text.size() * 2);
        QTest::newRow("plain") << valid << true << "plain.id"
                               << "";
        QTest::newRow("empty") << QByteArray() << false << ""
                               << "f.qml:1:1: error: *";
        QTest::newRow("only white space") << QByteArray(" \n\t\n") << false << ""
                                          << "f.qml:*";
        QTest::newRow("binary") << binary << false << ""
                                << "f.qml:1:*";
        QTest::newRow("zero bytes") << QByteArray(1024, '\0') << false << ""
                                    << "f.qml:1:1: error: *";
        QTest::newRow("UTF-8 byte-order mark") << "\xef\xbb\xbf" + valid << true << "plain.id"
                                               << "";
        QTest::newRow("UTF-16 byte-order mark") << utf16 << true << "utf16.id"
                                                << "";
        // Decoded, the ID would silently become another one.
        QTest::newRow("invalid UTF-8 in an ID")
            << QByteArray("Item { property string a: qsTrId(\"bad\xc3\x28utf\") }\n") << false << ""
            << "1:The translation ID holds bytes that are not valid UTF-8*";
        QTest::newRow("U+FFFD written in an ID")
            << QByteArray("Item { property string a: qsTrId(\"good\xef\xbf\xbd\") }\n") << true
            << u"good\uFFFD"_qs << "";
        QTest::newRow("invalid UTF-8 in code")
            << QByteArray("import QtQuick\nItem { \xff\xfe property string a: qsTrId(\"x\") }\n")
            << false << ""
            << "f.qml:2:8: error: *";
        QTest::newRow("truncated UTF-8 at the end") << valid + "//\xe2\x82" << true << "plain.id"
                                                    << "";
        QTest::newRow("larger than one read")
            << "//" + QByteArray(40000, 'x') + "\n" + valid << true << "plain.id"
            << "";
        QTest::newRow("NUL inside a string")
            << QByteArray("Item { property string a: qsTrId(\"nul\0id\") }\n", 45) << true
            << QString::fromUtf8("nul\0id", 6) << "";
    }

    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(QString, ids);
        QFETCH(QString, report);

        // Nothing goes to the process's standard error, whatever the input.
        QTemporaryFile captured;
        QVERIFY(captured.open());
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        ::dup2(captured.handle(), STDERR_FILENO);
        const Extraction result = extract(bytes, QStringLiteral("f.qml"));
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        QVERIFY(captured.seek(0));
        QCOMPARE(captured.readAll(), QByteArray());

        QCOMPARE(result.ok, ok);
        QStringList found;
        for (const CatalogMessage &message : result.messages)
            found.append(message.id);
        QCOMPARE(found.join(u'|'), ids);
        const QStringList errors = result.errors + result.fileErrors;
        if (report.isEmpty()) {
            QCOMPARE(errors, QStringList());
        } else if (!report.endsWith(u'*')) {
            QCOMPARE(errors, QStringList { report });
        } else {
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.first().startsWith(report.chopped(1)), qPrintable(errors.first()));
            if (report.endsWith(QLatin1String("error: *")))
                QVERIFY(errors.first().endsWith(QLatin1String("^\n")));
        }
    }

    void unreadableDevice()
    {
        // A device that cannot deliver text is an empty document: it does not
        // parse, and that is reported rather than passed over.
        QBuffer closed;
        RecordingFeedback feedback;
        TranslationCatalog catalog(&feedback);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("device not open"));
        QVERIFY(!loadQml(catalog, closed, QStringLiteral("closed.qml"), &feedback));
        QVERIFY(catalog.messages().isEmpty());
        QCOMPARE(feedback.generalErrors().size(), 1);
        QVERIFY(
            feedback.generalErrors().first().startsWith(QLatin1String("closed.qml:1:1: error: ")));
    }

    void functionTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index"); // -1: not a translation function
        const char *names[] = { "Q_DECLARE_TR_FUNCTIONS",
                                "QT_TR_N_NOOP",
                                "QT_TRID_N_NOOP",
                                "QT_TRANSLATE_N_NOOP",
                                "QT_TRANSLATE_N_NOOP3",
                                "QT_TR_NOOP",
                                "QT_TRID_NOOP",
                                "QT_TRANSLATE_NOOP",
                                "QT_TRANSLATE_NOOP3",
                                "QT_TR_NOOP_UTF8",
                                "QT_TRANSLATE_NOOP_UTF8",
                                "QT_TRANSLATE_NOOP3_UTF8",
                                "findMessage",
                                "qtTrId",
                                "tr",
                                "trUtf8",
                                "translate",
                                "qsTr",
                                "qsTrId",
                                "qsTranslate" };
        static_assert(std::size(names) == Support::translationFunctionCount);
        for (int i = 0; i < Support::translationFunctionCount; ++i)
            QTest::newRow(names[i]) << QString::fromLatin1(names[i]) << i;
        for (const char *other : { "Qt.qsTrId", "qstrid", "", "qsTrI" })
            QTest::newRow(*other ? other : "empty") << other << -1;
    }

    void functionTable()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        const auto function = Support::lookupTranslationFunction(name);
        QCOMPARE(function ? int(*function) : -1, index);
        if (function) {
            QCOMPARE(Support::translationFunctionName(*function), name);
            QCOMPARE(Support::translationFunctionAliases(*function), QStringList { name });
        }
    }

    void corpusMatchesLupdate()
    {
        const QString lupdate
            = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/lupdate");
        if (!QFileInfo::exists(lupdate))
            LEXORA_PEER_MISSING("Qt's lupdate is not installed; the peer comparison needs it.");

        QStringList files;
        QDirIterator it(QStringLiteral(LEXORA_TEST_SOURCE_DIR "/corpus"),
                        { "*.qml", "*.js" },
                        QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        QVERIFY2(files.size() >= 30, qPrintable(QString::number(files.size())));
        QVERIFY(!files.filter(QRegularExpression("\\.js$")).isEmpty()
                && !files.filter(QRegularExpression("\\.ui\\.qml$")).isEmpty());

        // Where an ID is used twice, lupdate keeps the first use's details.
        QMap<QString, QString> ours;
        for (const QString &path : std::as_const(files)) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            RecordingFeedback feedback;
            TranslationCatalog catalog(&feedback);
            QVERIFY2(loadQml(catalog, file, path, &feedback),
                     qPrintable(feedback.generalErrors().join("")));
            QVERIFY2(feedback.fileErrors().isEmpty(),
                     qPrintable(feedback.fileErrorLines().join("")));
            for (const CatalogMessage &message : catalog.messages()) {
                if (!message.id.isEmpty() && !ours.contains(message.id))
                    ours.insert(message.id, details(message));
            }
        }

        QTemporaryDir dir;
        const QString tsFile = dir.filePath(QStringLiteral("corpus.ts"));
        QProcess process;
        process.start(lupdate, files + QStringList { QStringLiteral("-ts"), tsFile });
        QVERIFY(process.waitForFinished(120000));
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 process.readAllStandardError().constData());

        QFile ts(tsFile);
        QVERIFY(ts.open(QIODevice::ReadOnly));
        QMap<QString, QString> theirs;
        QXmlStreamReader reader(&ts);
        QString id, source, extraComment;
        QStringList extras;
        bool plural = false;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement()) {
                const QStringView name = reader.name();
                if (name == QLatin1String("message")) {
                    id = reader.attributes().value(QLatin1String("id")).toString();
                    plural = reader.attributes().value(QLatin1String("numerus")) == u"yes";
                    source.clear();
                    extraComment.clear();
                    extras.clear();
                } else if (name == QLatin1String("source")) {
                    source = reader.readElementText();
                } else if (name == QLatin1String("extracomment")) {
                    extraComment = reader.readElementText();
                } else if (name.startsWith(QLatin1String("extra-"))) {
                    extras.append(name.mid(6).toString() + u'=' + reader.readElementText());
                }
            } else if (reader.isEndElement() && reader.name() == QLatin1String("message")
                       && !id.isEmpty()) {
                theirs.insert(id, details(source, extraComment, extras, plural));
            }
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QVERIFY(theirs.size() > 100);
        QStringList differences;
        for (auto their = theirs.cbegin(); their != theirs.cend(); ++their) {
            if (ours.value(their.key()) != their.value())
                differences.append(their.key() + u':' + ours.value(their.key())
                                   + QLatin1String(" / ") + their.value());
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
        QCOMPARE(QStringList(ours.keys()), QStringList(theirs.keys()));
        // The comparison covers what it is meant to: a plural message with a source text.
        QVERIFY(std::any_of(theirs.cbegin(), theirs.cend(), [](const QString &line) {
            return line.endsWith(QLatin1String("|1")) && !line.startsWith(u'|');
        }));
    }
};

QTEST_GUILESS_MAIN(tst_QmlExtractor)

#include "tst_qmlextractor.moc"
