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
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringDecoder>
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
    QStringList ids() const
    {
        QStringList result;
        for (const CatalogMessage &message : messages)
            result.append(message.id);
        return result;
    }
    QStringList comments() const
    {
        QStringList result;
        for (const CatalogMessage &message : messages)
            result.append(message.translatorComment);
        return result;
    }
};

Extraction extract(const QByteArray &source, const QString &fileName = QStringLiteral("test.qml"))
{
    QBuffer buffer;
    buffer.setData(source);
    buffer.open(QIODevice::ReadOnly);
    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    Extraction result;
    result.ok = loadQml(catalog, buffer, fileName, &feedback);
    result.messages = catalog.messages();
    result.errors = feedback.generalErrors();
    result.fileErrors = feedback.fileErrorLines();
    return result;
}

// Redirects the process's standard error into a file for the lifetime of the
// object, so that what the extractor writes there can be checked.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_savedFd = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }

    QByteArray finish()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_savedFd < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_savedFd, STDERR_FILENO);
        ::close(m_savedFd);
        m_savedFd = -1;
    }

    QTemporaryFile m_file;
    int m_savedFd = -1;
};

QByteArray repeated(const char *text, int count)
{
    return QByteArray(text).repeated(count);
}

const QString depthLine
    = QStringLiteral("deep.qml: Maximum statement or expression depth exceeded");

} // namespace

class tst_QmlExtractor : public QObject
{
    Q_OBJECT

private slots:
    void calls_data();
    void calls();
    void translatorComment_data();
    void translatorComment();
    void metaComments_data();
    void metaComments();
    void messageDetails_data();
    void messageDetails();
    void parseError_data();
    void parseError();
    void depthLimit_data();
    void depthLimit();
    void awkwardInput_data();
    void awkwardInput();
    void unreadableDevice();
    void functionTable_data();
    void functionTable();
    void corpusMatchesLupdate();
};

void tst_QmlExtractor::calls_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("comments");
    QTest::addColumn<QStringList>("fileErrors");

    const QStringList none;

    QTest::newRow("concatenation") << R"(Item { property string a: qsTrId("a" + "b") })"
                                   << QStringList { "ab" } << QStringList { "" } << none;
    QTest::newRow("concatenation of three")
        << R"(Item { property string a: qsTrId("x." + "y" + ".z") })" << QStringList { "x.y.z" }
        << QStringList { "" } << none;
    QTest::newRow("parenthesised operand")
        << R"(Item { property string a: qsTrId("a" + ("b")) })" << none << none << none;
    QTest::newRow("variable") << "Item {\n    property string v: \"id\"\n"
                                 "    property string a: qsTrId(v)\n}"
                              << none << none << none;
    QTest::newRow("variable plus literal")
        << R"(Item { property string a: qsTrId(v + "x") })" << none << none << none;
    QTest::newRow("number plus literal")
        << R"(Item { property string a: qsTrId(1 + "x") })" << none << none << none;
    QTest::newRow("subtraction") << R"(Item { property string a: qsTrId("a" - "b") })" << none
                                 << none << none;
    QTest::newRow("call result") << R"(Item { property string a: qsTrId(String("x")) })" << none
                                 << none << none;
    QTest::newRow("spread") << R"(Item { property string a: qsTrId(...ids) })" << none << none
                            << none;
    QTest::newRow("template literal with qsTrId")
        << "Item { property string a: qsTrId(`tmpl.id`) }" << none << none << none;
    QTest::newRow("single quotes") << R"(Item { property string a: qsTrId('single.id') })"
                                   << QStringList { "single.id" } << QStringList { "" } << none;
    QTest::newRow("escape sequences")
        << R"(Item { property string a: qsTrId("q\"x\u00e9") })" << QStringList { u"q\"x\u00e9"_qs }
        << QStringList { "" } << none;
    QTest::newRow("plural count ignored") << R"(Item { property string a: qsTrId("files", count) })"
                                          << QStringList { "files" } << QStringList { "" } << none;
    QTest::newRow("qsTrId without arguments")
        << "Item {\n    property string a: \"\"\n    property string b: qsTrId()\n}" << none << none
        << QStringList { "3:qsTrId() requires at least one argument.\n" };
    QTest::newRow("line of a call spanning lines")
        << "Item {\n    property string b: qsTrId(\n\n    )\n}" << none << none
        << QStringList { "2:qsTrId() requires at least one argument.\n" };
    QTest::newRow("QT_TRID_NOOP") << R"(Item { property string a: QT_TRID_NOOP("noop.id") })"
                                  << QStringList { "noop.id" } << QStringList { "" } << none;
    QTest::newRow("QT_TRID_NOOP without arguments")
        << "Item { property string a: QT_TRID_NOOP() }" << none << none
        << QStringList { "1:QT_TRID_NOOP() requires at least one argument.\n" };
    QTest::newRow("meta id before qsTr")
        << "Item {\n    //= my.id\n    property string a: qsTr(\"Hello\", \"greeting\")\n}"
        << QStringList { "my.id" } << QStringList { "greeting" } << none;
    QTest::newRow("qsTr without meta id")
        << "Item {\n    property string a: qsTr(\"Hello\", \"greeting\")\n}" << QStringList { "" }
        << QStringList { "greeting" } << none;
    QTest::newRow("meta id before qsTrId")
        << "Item {\n    //= my.id\n    property string a: qsTrId(\"other.id\")\n}" << none << none
        << QStringList { "3://= cannot be used with qsTrId(). Ignoring\n",
                         "3:Discarding unconsumed meta data\n" };
    QTest::newRow("meta id consumed by the first call")
        << "Item {\n    //= first.id\n    property string a: qsTr(\"A\") + qsTr(\"B\")\n}"
        << QStringList { "first.id", "" } << QStringList { "", "" } << none;
    QTest::newRow("meta id simplified")
        << "Item {\n    //=   spaced \t  id  \n    property string a: qsTr(\"A\")\n}"
        << QStringList { "spaced id" } << QStringList { "" } << none;
    QTest::newRow("trailing comment belongs to the next call")
        << "Item {\n    property string a: qsTrId(\"x\") //= next.id\n"
           "    property string b: qsTr(\"y\")\n}"
        << QStringList { "x", "next.id" } << QStringList { "", "" } << none;
    QTest::newRow("extra comment consumed by a call")
        << "Item {\n    //: For the title bar\n    property string a: qsTrId(\"x\")\n}"
        << QStringList { "x" } << QStringList { "" } << none;
    QTest::newRow("extra comment without a call")
        << "Item {\n    //: stray note\n    width: 10\n}" << none << none
        << QStringList { "3:Discarding unconsumed meta data\n" };
    QTest::newRow("key and value without a call")
        << "Item {\n    //~ Key value\n    width: 10\n}" << none << none
        << QStringList { "3:Discarding unconsumed meta data\n" };
    QTest::newRow("meta data discarded at the end of a statement")
        << "Item {\n    function f() {\n        //= lost.id\n        var x = 1;\n"
           "        return qsTr(\"A\");\n    }\n}"
        << QStringList { "" } << QStringList { "" }
        << QStringList { "4:Discarding unconsumed meta data\n" };
    QTest::newRow("qsTr on a template literal")
        << "Item { property string a: qsTr(`Hello`) }" << none << none
        << QStringList { "1:qsTr() cannot be used with template literals. Ignoring\n" };
    QTest::newRow("qsTr on a template with substitution")
        << "Item { property string a: qsTr(`Hello ${name}`) }" << none << none
        << QStringList { "1:qsTr() cannot be used with template literals. Ignoring\n" };
    QTest::newRow("qsTr without arguments")
        << "Item { property string a: qsTr() }" << none << none
        << QStringList { "1:qsTr() requires at least one argument.\n" };
    QTest::newRow("qsTr on a variable")
        << "Item { property string a: qsTr(text) }" << none << none << none;
    QTest::newRow("qsTr with a variable comment")
        << R"(Item { property string a: qsTr("Text", note) })" << QStringList { "" }
        << QStringList { "" } << none;
    QTest::newRow("QT_TR_NOOP") << R"(Item { property string a: QT_TR_NOOP("Text", "c") })"
                                << QStringList { "" } << QStringList { "c" } << none;
    QTest::newRow("qsTranslate with one argument")
        << R"(Item { property string a: qsTranslate("Ctx") })" << none << none
        << QStringList { "1:qsTranslate() requires at least two arguments.\n" };
    QTest::newRow("QT_TRANSLATE_NOOP with one argument")
        << R"(Item { property string a: QT_TRANSLATE_NOOP("Ctx") })" << none << none
        << QStringList { "1:QT_TRANSLATE_NOOP() requires at least two arguments.\n" };
    QTest::newRow("qsTranslate with a comment")
        << R"(Item { property string a: qsTranslate("Ctx", "Text", "note") })" << QStringList { "" }
        << QStringList { "note" } << none;
    QTest::newRow("qsTranslate with a meta id")
        << "Item {\n    //= ctx.id\n    property string a: qsTranslate(\"Ctx\", \"Text\")\n}"
        << QStringList { "ctx.id" } << QStringList { "" } << none;
    QTest::newRow("qsTranslate with a variable context")
        << R"(Item { property string a: qsTranslate(ctx, "Text") })" << none << none << none;
    QTest::newRow("qsTranslate with a variable source")
        << R"(Item { property string a: qsTranslate("Ctx", text) })" << none << none << none;
    QTest::newRow("meta source text before qsTr")
        << "Item {\n    //% \"abc\" \"def\"\n    property string a: qsTr(\"x\")\n}"
        << QStringList { "" } << QStringList { "" }
        << QStringList { "3://% cannot be used with qsTr(). Ignoring\n" };
    QTest::newRow("meta source text before qsTranslate")
        << "Item {\n    //% \"abc\"\n    property string a: qsTranslate(\"C\", \"x\")\n}"
        << QStringList { "" } << QStringList { "" }
        << QStringList { "3://% cannot be used with qsTranslate(). Ignoring\n" };
    QTest::newRow("meta source text before qsTrId")
        << "Item {\n    //% \"Engineering text\"\n    property string a: qsTrId(\"x\")\n}"
        << QStringList { "x" } << QStringList { "" } << none;
    QTest::newRow("Qt namespace") << R"(Item { property string a: Qt.qsTrId("x") })" << none << none
                                  << none;
    QTest::newRow("member chain") << R"(Item { property string a: a.b.qsTr("x") })" << none << none
                                  << none;
    QTest::newRow("names outside the families")
        << R"(Item { property var a: [tr("x"), qtTrId("y"), translate("c", "z"), QT_TR_N_NOOP("n")] })"
        << none << none << none;
    QTest::newRow("nested calls")
        << R"(Item { property string a: qsTrId("outer").arg(qsTrId("inner")) })"
        << QStringList { "outer", "inner" } << QStringList { "", "" } << none;
    QTest::newRow("JavaScript function")
        << "Item {\n    function f(n) {\n        if (n > 1)\n            return qsTrId(\"many\");\n"
           "        return [1].map(x => qsTrId(\"one\"))[0];\n    }\n}"
        << QStringList { "many", "one" } << QStringList { "", "" } << none;
    QTest::newRow("state") << "Item {\n    states: State {\n        name: \"s\"\n"
                              "        PropertyChanges { target: t; text: qsTrId(\"state.s\") }\n"
                              "    }\n}"
                           << QStringList { "state.s" } << QStringList { "" } << none;
}

void tst_QmlExtractor::calls()
{
    QFETCH(QString, source);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, comments);
    QFETCH(QStringList, fileErrors);

    const Extraction result = extract(source.toUtf8());
    QVERIFY(result.ok);
    QCOMPARE(result.errors, QStringList());
    QCOMPARE(result.ids(), ids);
    QCOMPARE(result.comments(), comments);
    QCOMPARE(result.fileErrors, fileErrors);
    for (const CatalogMessage &message : result.messages) {
        QCOMPARE(message.type, CatalogMessage::Unfinished);
        QCOMPARE(message.translatableKey, -1);
        QVERIFY(message.translation.isEmpty());
    }
}

void tst_QmlExtractor::translatorComment_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("comments"); // one Finished message per entry
    QTest::addColumn<QStringList>("fileErrors");

    QTest::newRow("line comment") << "// TRANSLATOR MainScreen The first screen users see\nItem {}"
                                  << QStringList { "The first screen users see" } << QStringList();
    QTest::newRow("block comment over lines")
        << "/*\n   TRANSLATOR   MainScreen   spread\n   out  */\nItem {}"
        << QStringList { "spread out" } << QStringList();
    QTest::newRow("context only") << "/* TRANSLATOR MainScreen */\nItem {}" << QStringList()
                                  << QStringList();
    QTest::newRow("word not at the start")
        << "// the TRANSLATOR Ctx text\nItem {}" << QStringList() << QStringList();
    QTest::newRow("colon without space")
        << "//:TRANSLATOR Ctx text\nItem {}" << QStringList() << QStringList();
    QTest::newRow("clears the extra comment")
        << "Item {\n    //: note\n    // TRANSLATOR Ctx text\n    width: 1\n}"
        << QStringList { "text" } << QStringList();
}

void tst_QmlExtractor::translatorComment()
{
    QFETCH(QString, source);
    QFETCH(QStringList, comments);
    QFETCH(QStringList, fileErrors);

    const Extraction result = extract(source.toUtf8());
    QVERIFY(result.ok);
    QCOMPARE(result.comments(), comments);
    for (const CatalogMessage &message : result.messages) {
        QVERIFY(message.id.isEmpty());
        QCOMPARE(message.type, CatalogMessage::Finished);
        QCOMPARE(message.translatableKey, -1);
    }
    QCOMPARE(result.fileErrors, fileErrors);
}

void tst_QmlExtractor::metaComments_data()
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
    row("escapes kept", R"(//% "a\"b\\c")", "", "", R"(a\"b\\c)");
    row("unexpected character", "//% abc", "", "", "", unexpected);
    row("garbage after a part", R"(//% "abc" x)", "", "", "abc", unexpected);
    row("unterminated", R"(//% "abc)", "", "", "abc", unterminated);
    row("backslash at the end", R"(//% "abc\)", "", "", "abc", unterminated);
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

void tst_QmlExtractor::metaComments()
{
    QFETCH(QString, comments);
    QFETCH(QString, extraComment);
    QFETCH(QString, metaId);
    QFETCH(QString, metaSourceText);
    QFETCH(QStringList, fileErrors);

    // Comments after the root object are only processed by the final flush,
    // which leaves their meta data pending for inspection.
    const QString code = QStringLiteral("Item {}\n") + comments + QLatin1Char('\n');
    QQmlJS::Engine engine;
    QQmlJS::Lexer lexer(&engine);
    lexer.setCode(code, 1, true);
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

void tst_QmlExtractor::messageDetails_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("source");
    // id|source text|extra comment|extras as key=value;…|plural
    QTest::addColumn<QString>("message");

    QTest::newRow("count makes a plural") << "a.qml"
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
        << "Item {\n    //: one\n    //: two\n    //~ Key   spaced value  \n    //~ Lonely\n    "
           "//~ A b\n    property string a: qsTrId(\"c\", n)\n}"
        << "c||one two|A=b;Key=spaced value|1";
    QTest::newRow("qsTr with a meta id")
        << "a.qml"
        << "Item {\n    //= my.id\n    property string a: qsTr(\"%n thing\", \"d\", 2)\n}"
        << "my.id|%n thing|||1";
    QTest::newRow("script with a pragma") << "lib.js"
                                          << ".pragma library\n//% \"Hi\"\nfunction f(n) { return "
                                             "qsTrId(\"js.id\", n) }\n"
                                          << "js.id|Hi|||1";
    QTest::newRow("module") << "lib.mjs"
                            << "import { x } from \"./x.mjs\"\n//: note\nexport function f() { "
                               "return qsTrId(\"mjs.id\") }\n"
                            << "mjs.id||note||0";
}

void tst_QmlExtractor::messageDetails()
{
    QFETCH(QString, fileName);
    QFETCH(QString, source);
    QFETCH(QString, message);

    const Extraction result = extract(source.toUtf8(), fileName);
    QVERIFY2(result.ok, qPrintable(result.errors.join(QString())));
    QCOMPARE(result.fileErrors, QStringList());
    QCOMPARE(result.messages.size(), 1);
    const CatalogMessage &found = result.messages.first();
    QStringList extras;
    for (auto extra = found.extras.cbegin(); extra != found.extras.cend(); ++extra)
        extras.append(extra.key() + u'=' + extra.value());
    QCOMPARE(QStringList({ found.id,
                           found.sourceText,
                           found.extraComment,
                           extras.join(u';'),
                           QString::number(found.plural) })
                 .join(u'|'),
             message);
}

void tst_QmlExtractor::parseError_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("report");

    QTest::newRow("line 3, column 5")
        << "import QtQuick\nItem {\n    )\n}\n"
        << "broken.qml:3:5: error: Unexpected token `)'\n    )\n    ^\n";
    QTest::newRow("tabs kept in the caret line")
        << "import QtQuick\nItem {\n\t   ;\n}\n"
        << "broken.qml:3:5: error: Unexpected token `;'\n\t   ;\n\t   ^\n";
    QTest::newRow("column 1") << "import QtQuick\nItem {\n}\n}\n"
                              << "broken.qml:4:1: error: Unexpected token `}'\n}\n^\n";
    QTest::newRow("past the last line") << "Item {\n"
                                        << "broken.qml:2:1: error: Expected token `}'\n\n^\n";
    QTest::newRow("calls before the error yield nothing")
        << "Item {\n    property string a: qsTrId(\"x\")\n    b: )\n}\n"
        << "broken.qml:3:8: error: Expected token `;'\n    b: )\n       ^\n";
}

void tst_QmlExtractor::parseError()
{
    QFETCH(QString, source);
    QFETCH(QString, report);

    const Extraction result = extract(source.toUtf8(), QStringLiteral("broken.qml"));
    QVERIFY(!result.ok);
    QVERIFY(result.messages.isEmpty());
    QCOMPARE(result.errors, QStringList { report });
    QVERIFY(result.fileErrors.isEmpty());
}

void tst_QmlExtractor::depthLimit_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<bool>("exceeded");

    const int n = 10000;
    const QByteArray after = "\n    property string after: qsTrId(\"after.deep\")\n}\n";

    QTest::newRow("10000 parentheses") << "Item {\n    property var x: " + repeated("(", n)
            + "qsTrId(\"lost\")" + repeated(")", n) + after
                                       << QStringList { "after.deep" } << true;
    QTest::newRow("10000 QML objects")
        << "Item {\n    property string before: qsTrId(\"before.deep\")\n" + repeated("Item {\n", n)
            + repeated("}\n", n) + "}\n"
        << QStringList { "before.deep" } << true;
    QTest::newRow("10000 arrays") << "Item {\n    property var x: " + repeated("[", n)
            + repeated("]", n) + after
                                  << QStringList { "after.deep" } << true;
    QTest::newRow("10000 object literals")
        << "Item {\n    property var x: " + repeated("({a:", n) + "1" + repeated("})", n) + after
        << QStringList { "after.deep" } << true;
    QTest::newRow("10000 nested blocks") << "Item {\n    function f(x) { " + repeated("if (x) {", n)
            + "qsTrId(\"lost\");" + repeated("}", n) + " return qsTrId(\"after.blocks\") }\n}\n"
                                         << QStringList { "after.blocks" } << true;
    QTest::newRow("10000 nested calls") << "Item {\n    property var x: " + repeated("f(", n)
            + "qsTrId(\"lost\")" + repeated(")", n) + after
                                        << QStringList { "after.deep" } << true;
    // The ID of a long concatenation is read without recursion, so it survives
    // even though the walk itself gives up below the call.
    QTest::newRow("100000 concatenated literals")
        << "Item {\n    property string x: qsTrId(" + repeated("\"a\"+", 99999) + "\"a\")\n}\n"
        << QStringList { QString(100000, u'a') } << true;
    QTest::newRow("below the limit") << "Item {\n    property var x: " + repeated("(", 4000)
            + "qsTrId(\"kept\")" + repeated(")", 4000) + after
                                     << QStringList { "kept", "after.deep" } << false;
    QTest::newRow("just above the limit") << "Item {\n    property var x: " + repeated("(", 4090)
            + "qsTrId(\"lost\")" + repeated(")", 4090) + after
                                          << QStringList { "after.deep" } << true;
}

void tst_QmlExtractor::depthLimit()
{
    QFETCH(QByteArray, source);
    QFETCH(QStringList, ids);
    QFETCH(bool, exceeded);

    StderrCapture capture;
    const Extraction result = extract(source, QStringLiteral("deep.qml"));
    const QString written = QString::fromLocal8Bit(capture.finish());

    // The lost IDs make the file's messages incomplete: an error of that file,
    // reported once however many subtrees were skipped, and a failed load.
    QCOMPARE(result.ok, !exceeded);
    QCOMPARE(result.errors, exceeded ? QStringList { depthLine } : QStringList());
    QCOMPARE(result.fileErrors, QStringList());
    QCOMPARE(result.ids(), ids);
    QCOMPARE(written, QString());
}

void tst_QmlExtractor::awkwardInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("parses");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QString>("reportStart");

    const QByteArray valid = "import QtQuick\nItem { property string a: qsTrId(\"plain.id\") }\n";

    QByteArray binary(4096, Qt::Uninitialized);
    QRandomGenerator generator(20261206);
    for (char &byte : binary)
        byte = char(generator.bounded(256));

    QByteArray utf16 = "\xff\xfe";
    const QString utf16Text = QStringLiteral("Item { property string a: qsTrId(\"utf16.id\") }\n");
    utf16.append(reinterpret_cast<const char *>(utf16Text.utf16()), utf16Text.size() * 2);

    QTest::newRow("plain") << valid << true << QStringList { "plain.id" } << QString();
    QTest::newRow("empty") << QByteArray() << false << QStringList() << "awkward.qml:1:1: error: ";
    QTest::newRow("only white space")
        << QByteArray(" \n\t\n") << false << QStringList() << "awkward.qml:";
    QTest::newRow("binary") << binary << false << QStringList() << "awkward.qml:1:";
    QTest::newRow("zero bytes") << QByteArray(1024, '\0') << false << QStringList()
                                << "awkward.qml:1:1: error: ";
    QTest::newRow("UTF-8 byte-order mark")
        << "\xef\xbb\xbf" + valid << true << QStringList { "plain.id" } << QString();
    QTest::newRow("UTF-16 byte-order mark")
        << utf16 << true << QStringList { "utf16.id" } << QString();
    // Decoded, the ID would silently become another one.
    QTest::newRow("invalid UTF-8 in an ID")
        << QByteArray("Item { property string a: qsTrId(\"bad\xc3\x28utf\") }\n") << false
        << QStringList() << "1:The translation ID holds bytes that are not valid UTF-8";
    QTest::newRow("U+FFFD written in an ID")
        << QByteArray("Item { property string a: qsTrId(\"good\xef\xbf\xbd\") }\n") << true
        << QStringList { u"good\uFFFD"_qs } << QString();
    QTest::newRow("invalid UTF-8 in code")
        << QByteArray("import QtQuick\nItem { \xff\xfe property string a: qsTrId(\"x\") }\n")
        << false << QStringList() << "awkward.qml:2:8: error: ";
    QTest::newRow("truncated UTF-8 at the end")
        << valid + "//\xe2\x82" << true << QStringList { "plain.id" } << QString();
    QTest::newRow("larger than one read") << "//" + QByteArray(40000, 'x') + "\n" + valid << true
                                          << QStringList { "plain.id" } << QString();
    QTest::newRow("NUL inside a string")
        << QByteArray("Item { property string a: qsTrId(\"nul\0id\") }\n", 45) << true
        << QStringList { QString::fromUtf8("nul\0id", 6) } << QString();
}

void tst_QmlExtractor::awkwardInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, parses);
    QFETCH(QStringList, ids);
    QFETCH(QString, reportStart);

    const Extraction result = extract(bytes, QStringLiteral("awkward.qml"));
    QCOMPARE(result.ok, parses);
    QCOMPARE(result.ids(), ids);
    const QStringList errors = result.errors + result.fileErrors;
    if (parses) {
        QCOMPARE(errors, QStringList());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(reportStart), qPrintable(errors.first()));
        if (reportStart.endsWith(QLatin1String("error: ")))
            QVERIFY(errors.first().endsWith(QLatin1String("^\n")));
    }
}

void tst_QmlExtractor::unreadableDevice()
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
    QVERIFY(feedback.generalErrors().first().startsWith(QLatin1String("closed.qml:1:1: error: ")));
}

void tst_QmlExtractor::functionTable_data()
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
    QTest::newRow("qualified") << "Qt.qsTrId" << -1;
    QTest::newRow("wrong case") << "qstrid" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("prefix") << "qsTrI" << -1;
}

void tst_QmlExtractor::functionTable()
{
    QFETCH(QString, name);
    QFETCH(int, index);

    const auto function = Support::lookupTranslationFunction(name);
    if (index < 0) {
        QVERIFY(!function);
        return;
    }
    QVERIFY(function);
    QCOMPARE(int(*function), index);
    QCOMPARE(Support::translationFunctionName(*function), name);
    QCOMPARE(Support::translationFunctionAliases(*function), QStringList { name });
}

void tst_QmlExtractor::corpusMatchesLupdate()
{
    const QString lupdate
        = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/lupdate");
    if (!QFileInfo::exists(lupdate))
        LEXORA_PEER_MISSING("Qt's lupdate is not installed; the peer comparison needs it.");

    QStringList files;
    QDirIterator it(QStringLiteral(LEXORA_TEST_SOURCE_DIR "/corpus"),
                    { QStringLiteral("*.qml"), QStringLiteral("*.js") },
                    QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    QVERIFY(std::any_of(files.cbegin(), files.cend(), [](const QString &file) {
        return file.endsWith(QLatin1String(".js"));
    }));
    QVERIFY2(files.size() >= 30, qPrintable(QString::number(files.size())));
    QVERIFY(std::any_of(files.cbegin(), files.cend(), [](const QString &file) {
        return file.endsWith(QLatin1String(".ui.qml"));
    }));

    // What each ID carries besides itself, in one comparable line.
    auto details = [](const QString &source,
                      const QString &extraComment,
                      const QStringList &extras,
                      bool plural) {
        return QStringList { source, extraComment, extras.join(u';'), QString::number(plural) }
            .join(u'|');
    };
    QMap<QString, QString> ourDetails;
    QSet<QString> ours;
    for (const QString &path : std::as_const(files)) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        RecordingFeedback feedback;
        TranslationCatalog catalog(&feedback);
        QVERIFY2(loadQml(catalog, file, path, &feedback),
                 qPrintable(feedback.generalErrors().join("")));
        QVERIFY2(feedback.fileErrors().isEmpty(), qPrintable(feedback.fileErrorLines().join("")));
        for (const CatalogMessage &message : catalog.messages()) {
            if (message.id.isEmpty())
                continue;
            ours.insert(message.id);
            QStringList extras;
            for (auto extra = message.extras.cbegin(); extra != message.extras.cend(); ++extra)
                extras.append(extra.key() + u'=' + extra.value());
            // Where an ID is used twice, lupdate keeps the first use's details.
            if (!ourDetails.contains(message.id)) {
                ourDetails.insert(
                    message.id,
                    details(message.sourceText, message.extraComment, extras, message.plural));
            }
        }
    }

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString tsFile = dir.filePath(QStringLiteral("corpus.ts"));
    QProcess process;
    process.start(lupdate, files + QStringList { QStringLiteral("-ts"), tsFile });
    QVERIFY(process.waitForFinished(120000));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardError().constData());

    QFile ts(tsFile);
    QVERIFY(ts.open(QIODevice::ReadOnly));
    QSet<QString> theirs;
    QMap<QString, QString> theirDetails;
    QXmlStreamReader reader(&ts);
    QString id;
    QString source;
    QString extraComment;
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
            theirs.insert(id);
            theirDetails.insert(id, details(source, extraComment, extras, plural));
        }
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QVERIFY(theirs.size() > 100);
    QStringList differences;
    for (auto their = theirDetails.cbegin(); their != theirDetails.cend(); ++their) {
        const QString our = ourDetails.value(their.key());
        if (our != their.value())
            differences.append(their.key() + u':' + our + QLatin1String(" / ") + their.value());
    }
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    // The comparison covers what it is meant to.
    QVERIFY(std::count_if(theirDetails.cbegin(),
                          theirDetails.cend(),
                          [](const QString &line) {
                              return line.endsWith(QLatin1String("|1")) && !line.startsWith(u'|');
                          })
            >= 1);

    QStringList onlyOurs = QSet<QString>(ours).subtract(theirs).values();
    QStringList onlyTheirs = QSet<QString>(theirs).subtract(ours).values();
    onlyOurs.sort();
    onlyTheirs.sort();
    QCOMPARE(onlyOurs, QStringList());
    QCOMPARE(onlyTheirs, QStringList());
}

QTEST_GUILESS_MAIN(tst_QmlExtractor)

#include "tst_qmlextractor.moc"
