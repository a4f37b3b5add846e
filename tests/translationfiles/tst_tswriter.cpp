#include "tst_tswriter.h"

#include "peertools.h"
#include "recordingfeedback.h"
#include "translationfiles/translationcatalog.h"
#include "translationfiles/tswriter.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include <cctype>

using namespace Lexora;

namespace {

struct CatalogSetup
{
    QString language;
    QString sourceLanguage;
    QStringList dependencies;
    QList<CatalogMessage> messages;
};

QByteArray save(const CatalogSetup &setup, RecordingFeedback &feedback)
{
    TranslationCatalog catalog(&feedback);
    catalog.setLanguage(setup.language);
    catalog.setSourceLanguage(setup.sourceLanguage);
    catalog.setDependencies(setup.dependencies);
    catalog.setMessages(setup.messages);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!catalog.saveCatalog(buffer, QStringLiteral("ts")))
        return {};
    return buffer.data();
}

const QByteArray header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n";
const QByteArray emptyContext = "<context>\n    <name></name>\n</context>\n</TS>\n";

QByteArray messageXml(const QByteArray &id, const QByteArray &translationElement)
{
    return "    <message id=\"" + id + "\">\n        " + translationElement + "\n    </message>\n";
}

CatalogSetup german(const QList<CatalogMessage> &messages)
{
    return { QStringLiteral("de"), {}, {}, messages };
}

CatalogSetup workedExampleSetup()
{
    return german({ message("hello", "Hallo"), message("bye", "bye", CatalogMessage::Unfinished) });
}

QByteArray withMessages(const QByteArray &tsTag, const QByteArray &messages)
{
    return header + tsTag + "\n<context>\n    <name></name>\n" + messages + "</context>\n</TS>\n";
}

// What a TS reader sees in one message: ID, translation text with the byte
// elements decoded, type attribute and translator comment.
struct ReadMessage
{
    QString id;
    QString translation;
    QString type;
    QString comment;
    friend bool operator==(const ReadMessage &, const ReadMessage &) = default;
};

QString readText(QXmlStreamReader &reader)
{
    QString text;
    while (reader.readNext() != QXmlStreamReader::EndElement || reader.name() == u"byte") {
        if (reader.isCharacters()) {
            text += reader.text();
        } else if (reader.isStartElement() && reader.name() == u"byte") {
            const QString value = reader.attributes().value(QLatin1String("value")).toString();
            text += QChar(value.mid(1).toUInt(nullptr, 16));
        } else if (reader.hasError()) {
            break;
        }
    }
    return text;
}

QList<ReadMessage> readTs(const QByteArray &ts, QString *error)
{
    QList<ReadMessage> messages;
    QXmlStreamReader reader(ts);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == u"message") {
            messages.append(
                { reader.attributes().value(QLatin1String("id")).toString(), {}, {}, {} });
        } else if (reader.name() == u"translation") {
            messages.last().type = reader.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = readText(reader);
        } else if (reader.name() == u"translatorcomment") {
            messages.last().comment = readText(reader);
        }
    }
    if (reader.hasError())
        *error = reader.errorString();
    return messages;
}

QString unescapePo(QByteArrayView quoted)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c != '\\' || i + 1 == quoted.size()) {
            bytes.append(c);
            continue;
        }
        const char escaped = quoted[++i];
        switch (escaped) {
        case 'n':
            bytes.append('\n');
            break;
        case 'r':
            bytes.append('\r');
            break;
        case 't':
            bytes.append('\t');
            break;
        case 'x': {
            qsizetype end = i + 1;
            while (end < quoted.size() && std::isxdigit(uchar(quoted[end])))
                ++end;
            bytes.append(char(quoted.sliced(i + 1, end - i - 1).toByteArray().toInt(nullptr, 16)));
            i = end - 1;
            break;
        }
        default:
            bytes.append(escaped);
        }
    }
    return QString::fromUtf8(bytes);
}

// Reads what lconvert wrote as a PO file: one entry per message, the ID in a
// "#. ts-id" line, translator comments in "# " lines, vanished and obsolete
// messages commented out with "#~".
QList<ReadMessage> readPo(const QByteArray &po)
{
    QList<ReadMessage> messages;
    ReadMessage current;
    bool inEntry = false;
    bool inMsgstr = false;
    auto finish = [&] {
        if (inEntry)
            messages.append(current);
        current = {};
        inEntry = inMsgstr = false;
    };
    for (QByteArray line : po.split('\n')) {
        if (line.isEmpty()) {
            finish();
            continue;
        }
        const bool commentedOut = line.startsWith("#~ ");
        if (commentedOut) {
            line = line.mid(3);
            current.type = QStringLiteral("gone");
        }
        if (line.startsWith("#. ts-id ")) {
            inEntry = true;
            current.id = QString::fromUtf8(line.mid(9));
        } else if (line.startsWith("# ")) {
            current.comment += QString::fromUtf8(line.mid(2));
        } else if (line.startsWith("msgstr ")) {
            inMsgstr = true;
            current.translation = unescapePo(QByteArrayView(line).sliced(8).chopped(1));
        } else if (line.startsWith('"') && inMsgstr) {
            current.translation += unescapePo(QByteArrayView(line).sliced(1).chopped(1));
        } else {
            inMsgstr = false;
        }
    }
    finish();
    return messages;
}

// Saves the catalogue into a file named after the current data row.
QString saveToFile(const QTemporaryDir &directory, const CatalogSetup &setup, QByteArray *ts)
{
    RecordingFeedback feedback;
    *ts = save(setup, feedback);
    const QString path = directory.filePath(
        QString::fromLatin1(QTest::currentTestFunction()) + u'_'
        + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + ".ts");
    return writeFile(path, *ts) ? path : QString();
}

} // namespace

Q_DECLARE_METATYPE(CatalogSetup)

void TestTsWriter::output_data()
{
    QTest::addColumn<CatalogSetup>("setup");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("worked example")
        << workedExampleSetup()
        << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<!DOCTYPE TS>\n"
                      "<TS version=\"2.1\" language=\"de\">\n"
                      "<context>\n"
                      "    <name></name>\n"
                      "    <message id=\"hello\">\n"
                      "        <translation>Hallo</translation>\n"
                      "    </message>\n"
                      "    <message id=\"bye\">\n"
                      "        <translation type=\"unfinished\">bye</translation>\n"
                      "    </message>\n"
                      "</context>\n"
                      "</TS>\n");
    QTest::newRow("empty catalogue")
        << CatalogSetup {} << header + "<TS version=\"2.1\">\n" + emptyContext;
    QTest::newRow("language C left out")
        << CatalogSetup { QStringLiteral("C"), QStringLiteral("C"), {}, {} }
        << header + "<TS version=\"2.1\">\n" + emptyContext;
    QTest::newRow("lower-case c written")
        << CatalogSetup { QStringLiteral("c"), {}, {}, {} }
        << header + "<TS version=\"2.1\" language=\"c\">\n" + emptyContext;
    QTest::newRow("longer text starting with C written")
        << CatalogSetup { QStringLiteral("Cy"), {}, {}, {} }
        << header + "<TS version=\"2.1\" language=\"Cy\">\n" + emptyContext;
    QTest::newRow("source language and dependencies")
        << CatalogSetup { QStringLiteral("fr-CA"),
                          QStringLiteral("en"),
                          { QStringLiteral("qt_fr"), QStringLiteral("base") },
                          {} }
        << header
            + "<TS version=\"2.1\" language=\"fr-CA\" sourcelanguage=\"en\">\n"
              "<dependencies>\n<dependency catalog=\"qt_fr\"/>\n"
              "<dependency catalog=\"base\"/>\n</dependencies>\n"
            + emptyContext;
    QTest::newRow("types and empty translation")
        << german({ message("f", QString()),
                    message("u", QString(), CatalogMessage::Unfinished),
                    message("v", "V", CatalogMessage::Vanished),
                    message("o", "O", CatalogMessage::Obsolete) })
        << withMessages("<TS version=\"2.1\" language=\"de\">",
                        messageXml("f", "<translation></translation>")
                            + messageXml("u", "<translation type=\"unfinished\"></translation>")
                            + messageXml("v", "<translation type=\"vanished\">V</translation>")
                            + messageXml("o", "<translation type=\"obsolete\">O</translation>"));
    QTest::newRow("empty ID skipped")
        << german({ message(QString(), "lost"), message("kept", "K") })
        << withMessages("<TS version=\"2.1\" language=\"de\">",
                        messageXml("kept", "<translation>K</translation>"));
    QTest::newRow("markup in the ID escaped")
        << german({ message("a&b \"q\" <x> 'y'", "T") })
        << withMessages("<TS version=\"2.1\" language=\"de\">",
                        messageXml("a&amp;b &quot;q&quot; &lt;x&gt; &apos;y&apos;",
                                   "<translation>T</translation>"));
    // An XML reader turns literal tabs and line breaks in attributes into
    // blanks; references come back as written.
    QTest::newRow("tab and line breaks in the ID as references")
        << german({ message("a\tb\nc\rd", "T") })
        << withMessages("<TS version=\"2.1\" language=\"de\">",
                        messageXml("a&#9;b&#10;c&#13;d", "<translation>T</translation>"));
    QTest::newRow("translator comment before the translation")
        << german({ message(
               "c", QStringLiteral("C"), CatalogMessage::Finished, QStringLiteral("Button <b>")) })
        << withMessages("<TS version=\"2.1\" language=\"de\">",
                        "    <message id=\"c\">\n"
                        "        <translatorcomment>Button &lt;b&gt;</translatorcomment>\n"
                        "        <translation>C</translation>\n"
                        "    </message>\n");
    QTest::newRow("UTF-8 without byte-order mark")
        << CatalogSetup { QStringLiteral("ja"),
                          {},
                          {},
                          { message(u"\u65e5\u672c"_qs, u"\u65e5\u672c\u8a9e \U0001F600"_qs) } }
        << withMessages("<TS version=\"2.1\" language=\"ja\">",
                        messageXml("\xe6\x97\xa5\xe6\x9c\xac",
                                   "<translation>\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e "
                                   "\xf0\x9f\x98\x80</translation>"));
}

void TestTsWriter::output()
{
    QFETCH(CatalogSetup, setup);
    QFETCH(QByteArray, expected);

    RecordingFeedback feedback;
    QCOMPARE(save(setup, feedback), expected);
    QVERIFY(feedback.messages().isEmpty());
}

void TestTsWriter::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");

    QTest::newRow("markup") << QStringLiteral("a<b & \"c\"")
                            << QStringLiteral("a&lt;b &amp; &quot;c&quot;");
    QTest::newRow("apostrophe and greater")
        << QStringLiteral("it's > 1") << QStringLiteral("it&apos;s &gt; 1");
    QTest::newRow("carriage return and line feed")
        << QStringLiteral("a\r\nb") << QStringLiteral("a<byte value=\"xd\"/>\nb");
    QTest::newRow("tab unchanged") << QStringLiteral("a\tb") << QStringLiteral("a\tb");
    QTest::newRow("other control characters")
        << QString(u"\u0001\u001f\u0000"_qs)
        << QStringLiteral("<byte value=\"x1\"/><byte value=\"x1f\"/><byte value=\"x0\"/>");
    QTest::newRow("delete unchanged") << QString(u"\u007f"_qs) << QString(u"\u007f"_qs);
    QTest::newRow("non-ASCII white space") << QString(u"a\u00a0b\u0085c\u2028d\u3000"_qs)
                                           << QStringLiteral("a&#xa0;b&#x85;c&#x2028;d&#x3000;");
    QTest::newRow("other non-ASCII unchanged")
        << QString(u"\u00e4\u20ac\U0001F600"_qs) << QString(u"\u00e4\u20ac\U0001F600"_qs);
    QTest::newRow("nothing to escape")
        << QStringLiteral("plain text, 42 (ok)!") << QStringLiteral("plain text, 42 (ok)!");
    QTest::newRow("only escapes") << QString(u"&&\u0001"_qs)
                                  << QStringLiteral("&amp;&amp;<byte value=\"x1\"/>");
    QTest::newRow("plain runs between escapes")
        << QString(u"ab<cd\u00a0ef\rgh"_qs)
        << QStringLiteral("ab&lt;cd&#xa0;ef<byte value=\"xd\"/>gh");
}

void TestTsWriter::escaping()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(escapeTsText(text), escaped);
}

void TestTsWriter::peersKeepIdsWithWhiteSpace()
{
    LEXORA_REQUIRE_TOOL("lrelease");
    LEXORA_REQUIRE_TOOL("lconvert");
    const QStringList ids { "a\tb",   "a\nb",           "a\rb",  " lead",
                            "\t\r\n", "x & \"y\"\n<z>", "plain", "two  blanks" };
    QVERIFY(m_directory.isValid());

    CatalogSetup setup { QStringLiteral("de"), {}, {}, {} };
    QStringList translations;
    for (const QString &id : ids) {
        translations << QStringLiteral("T%1").arg(translations.size());
        setup.messages.append(message(id, translations.last()));
    }
    QByteArray ts;
    const QString input = saveToFile(m_directory, setup, &ts);
    QVERIFY(!input.isEmpty());

    // lconvert reads the IDs as they were. Its own .ts output writes them
    // without any escaping, so they are taken from it as raw text.
    const QString copy = input.chopped(3) + QStringLiteral(".copy.ts");
    const PeerTools::ToolResult conversion
        = PeerTools::runTool("lconvert", { "-i", input, "-of", "ts", "-o", copy });
    QVERIFY2(conversion.exitCode == 0, conversion.standardError.constData());
    QVERIFY2(conversion.standardError.isEmpty(), conversion.standardError.constData());
    static const QRegularExpression rawId(QStringLiteral("<message id=\"(.*?)\">\n\\s*<source>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QStringList copiedIds;
    const QString copied = QString::fromUtf8(readFile(copy));
    for (const QRegularExpressionMatch &match : rawId.globalMatch(copied))
        copiedIds << match.captured(1);
    QCOMPARE(copiedIds, ids);

    const auto translate = [&ids](const QByteArray &qm) {
        QTranslator translator;
        if (!translator.load(reinterpret_cast<const uchar *>(qm.constData()), int(qm.size())))
            return QStringList { QStringLiteral("<cannot load>") };
        QStringList found;
        for (const QString &id : ids)
            found << translator.translate(nullptr, id.toUtf8().constData());
        return found;
    };

    // lrelease compiles them under the same IDs.
    const QByteArray qm = PeerTools::lrelease(input);
    QVERIFY(!qm.isEmpty());
    QCOMPARE(translate(qm), translations);
}

void TestTsWriter::lconvertReadsEveryFile_data()
{
    QTest::addColumn<CatalogSetup>("setup");

    QTest::newRow("worked example") << workedExampleSetup();
    QTest::newRow("empty catalogue") << CatalogSetup {};
    QTest::newRow("ID with ampersand and quotes")
        << CatalogSetup { QStringLiteral("en-GB"),
                          {},
                          {},
                          { message("save & \"close\"", "Save & close"),
                            message("a<b>'c'", "<b>") } };
    QTest::newRow("every escape") << CatalogSetup {
        QStringLiteral("fr-CA"),
        QStringLiteral("en"),
        { QStringLiteral("qt_fr") },
        { message("lines",
                  QString(u"one\r\ntwo\tthree\u00a0four \u0001 \u2028"_qs),
                  CatalogMessage::Finished,
                  QStringLiteral("for <translators> & \"reviewers\"")),
          message(u"\u00fcber"_qs, u"\u00dcber \U0001F600"_qs),
          message("gone", "Weg", CatalogMessage::Vanished),
          message("old", "Alt", CatalogMessage::Obsolete),
          message("todo", QString(), CatalogMessage::Unfinished) }
    };
}

void TestTsWriter::lconvertReadsEveryFile()
{
    LEXORA_REQUIRE_TOOL("lconvert");
    QFETCH(CatalogSetup, setup);
    QVERIFY(m_directory.isValid());

    QByteArray ours;
    const QString input = saveToFile(m_directory, setup, &ours);
    QVERIFY(!input.isEmpty());
    const QString output = input.chopped(3) + QStringLiteral(".po");

    // Our file is well-formed XML that reads back as written.
    QString ourError;
    const QList<ReadMessage> ourMessages = readTs(ours, &ourError);
    QVERIFY2(ourError.isEmpty(), qPrintable(ourError));
    QList<ReadMessage> expected;
    for (const CatalogMessage &message : setup.messages) {
        static const char *const types[] = { "unfinished", "", "vanished", "obsolete" };
        expected.append({ message.id,
                          message.translation,
                          QString::fromLatin1(types[message.type]),
                          message.translatorComment });
    }
    QCOMPARE(ourMessages, expected);

    // lconvert reads it without complaint. Its own TS output does not escape
    // IDs, so what it read is checked in its PO output, where vanished and
    // obsolete messages are commented out.
    const PeerTools::ToolResult result
        = PeerTools::runTool("lconvert", { "-i", input, "-of", "po", "-o", output });
    QVERIFY(result.started);
    QVERIFY2(result.exitCode == 0, result.standardError.constData());
    QVERIFY2(result.standardError.isEmpty(), result.standardError.constData());

    for (ReadMessage &message : expected) {
        const bool gone = message.type == u"vanished" || message.type == u"obsolete";
        message.type = gone ? QStringLiteral("gone") : QString();
    }
    QCOMPARE(readPo(readFile(output)), expected);
}
