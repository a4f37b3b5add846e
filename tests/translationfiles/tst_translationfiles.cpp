#include "recordingfeedback.h"
#include "translationfiles/catalogformat.h"
#include "translationfiles/numerusrules.h"
#include "translationfiles/qmwriter.h"
#include "translationfiles/releaser.h"
#include "translationfiles/translationcatalog.h"
#include "translationfiles/tswriter.h"

#include <qttools.h>
#include <testfiles.h>
#include <tsfiles.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QtEndian>

using namespace Lexora;

namespace {

using Messages = QList<CatalogMessage>;
using IdTranslations = QList<std::pair<QString, QString>>;

CatalogMessage message(const QString &id,
                       const QString &translation,
                       CatalogMessage::Type type = CatalogMessage::Finished,
                       const QString &comment = QString())
{
    CatalogMessage result;
    result.id = id;
    result.translation = translation;
    result.translatorComment = comment;
    result.type = type;
    return result;
}

struct CatalogSetup
{
    QString language;
    QString sourceLanguage;
    QStringList dependencies;
    Messages messages;
};

CatalogSetup german(const Messages &messages)
{
    return { QStringLiteral("de"), {}, {}, messages };
}

// The catalogue saved in `format`; null when saving failed.
QByteArray
saveCatalog(const CatalogSetup &setup, const QString &format, RecordingFeedback *feedback)
{
    TranslationCatalog catalog(feedback);
    catalog.setLanguage(setup.language);
    catalog.setSourceLanguage(setup.sourceLanguage);
    catalog.setDependencies(setup.dependencies);
    catalog.setMessages(setup.messages);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return catalog.saveCatalog(buffer, format) ? buffer.data() : QByteArray();
}

bool saveCatalogFile(const CatalogSetup &setup, const QString &format, const QString &path)
{
    RecordingFeedback feedback;
    const QByteArray bytes = saveCatalog(setup, format, &feedback);
    return !bytes.isNull() && writeFile(path, bytes);
}

// Compiles a .ts file with lrelease -idbased, by default also -nounfinished;
// the .qm bytes, or a null array when lrelease failed.
QByteArray lrelease(const QString &tsFilePath, bool noUnfinished = true)
{
    const QString qmFilePath = tsFilePath.chopped(3) + QStringLiteral(".lrelease.qm");
    QFile::remove(qmFilePath);
    QStringList arguments { QStringLiteral("-idbased"), QStringLiteral("-silent") };
    if (noUnfinished)
        arguments << QStringLiteral("-nounfinished");
    if (!runQtTool(QStringLiteral("lrelease"), arguments << tsFilePath << "-qm" << qmFilePath).ok)
        return {};
    const QByteArray qm = readFile(qmFilePath);
    return qm.isNull() ? QByteArray("") : qm;
}

// .qm files looked at without our reader.
const QByteArray qmMagic = QByteArray::fromHex("3CB86418CAEF9C95CD211CBF60A1BDDD");

struct QmSection
{
    uchar tag;
    QByteArray payload;
};

QList<QmSection> qmSections(const QByteArray &qm)
{
    QList<QmSection> sections;
    for (qsizetype position = 16; position + 5 <= qm.size();) {
        const auto length = qFromBigEndian<quint32>(qm.constData() + position + 1);
        sections.append({ uchar(qm[position]), qm.mid(position + 5, length) });
        position += 5 + length;
    }
    return sections;
}

QByteArray qmSection(const QByteArray &qm, uchar tag)
{
    for (const QmSection &section : qmSections(qm)) {
        if (section.tag == tag)
            return section.payload;
    }
    return {};
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray qmSectionBytes(uchar tag, const QByteArray &payload)
{
    return char(tag) + be32(quint32(payload.size())) + payload;
}

QByteArray utf16(const QString &text)
{
    QByteArray bytes;
    for (const QChar ch : text)
        bytes.append(char(ch.unicode() >> 8)).append(char(ch.unicode() & 0xff));
    return bytes;
}

// The record of one ID-based message with a single translation.
QByteArray record(const QByteArray &id, const QString &translation)
{
    return "\x03" + be32(translation.size() * 2) + utf16(translation)
        + QByteArray("\x08\0\0\0\0", 5) + "\x06" + be32(id.size()) + id
        + QByteArray("\x07\0\0\0\0\x01", 6);
}

QByteArray languageSection(const QByteArray &code)
{
    return qmSectionBytes(0xa7, code);
}

// A German file: its hash table and its records.
QByteArray germanFile(const QByteArray &hashes, const QByteArray &records)
{
    return qmMagic + languageSection("de") + qmSectionBytes(0x42, QByteArray::fromHex(hashes))
        + qmSectionBytes(0x69, records) + qmSectionBytes(0x88, QByteArray::fromHex("0101"));
}

QByteArray ruleBytes(const NumerusTableEntry &entry)
{
    return QByteArray(reinterpret_cast<const char *>(entry.rules.data()),
                      qsizetype(entry.rules.size()));
}

// The language codes of a row that QLocale resolves back to that row's language.
QStringList codesOfRow(const NumerusTableEntry &entry)
{
    QStringList codes;
    for (std::size_t i = 0; i < entry.languages.size(); ++i) {
        const QLocale::Language language = entry.languages[i];
        if (!entry.territories.empty() && entry.territories[i] != QLocale::AnyTerritory) {
            const QLocale locale(language, entry.territories[i]);
            if (locale.language() == language && locale.territory() == entry.territories[i])
                codes.append(locale.name());
            continue;
        }
        const QString code = QLocale::languageToCode(language);
        if (!code.isEmpty() && QLocale(code).language() == language)
            codes.append(code);
    }
    return codes;
}

QStringList extensions()
{
    QStringList names;
    for (const CatalogFormat &format : TranslationCatalog::registeredCatalogFormats())
        names.append(format.extension);
    return names;
}

bool saveNothing(const TranslationCatalog &, QIODevice &, UserFeedbackInterface *)
{
    return true;
}

const QByteArray tsHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n";
const QByteArray emptyContext = "<context>\n    <name></name>\n</context>\n</TS>\n";

QByteArray messageXml(const QByteArray &id, const QByteArray &translationElement)
{
    return "    <message id=\"" + id + "\">\n        " + translationElement + "\n    </message>\n";
}

QByteArray germanTs(const QByteArray &messages)
{
    return tsHeader + "<TS version=\"2.1\" language=\"de\">\n<context>\n    <name></name>\n"
        + messages + "</context>\n</TS>\n";
}

// A .ts file of one numerus message, as Qt's tools write it.
QByteArray numerusTs(const QString &language, const QStringList &forms)
{
    QByteArray ts = tsHeader + "<TS version=\"2.1\" language=\"" + language.toUtf8()
        + "\">\n<context>\n    <name></name>\n    <message id=\"files\" numerus=\"yes\">\n"
          "        <translation>";
    for (const QString &form : forms)
        ts += "<numerusform>" + form.toUtf8() + "</numerusform>";
    return ts + "</translation>\n    </message>\n</context>\n</TS>\n";
}

const CatalogSetup workedExample
    = german({ message("hello", "Hallo"), message("bye", "bye", CatalogMessage::Unfinished) });

} // namespace

Q_DECLARE_METATYPE(CatalogSetup)

class TestTranslationFiles : public QObject
{
    Q_OBJECT

private slots:
    void formatRegistry();
    void reports_data();
    void reports();
    void qmRoundTrip_data();
    void qmRoundTrip();
    void qmLoaderRejectsBrokenFiles_data();
    void qmLoaderRejectsBrokenFiles();

    void tsOutput_data();
    void tsOutput();
    void tsEscaping_data();
    void tsEscaping();
    void peersKeepIdsWithWhiteSpace();
    void lconvertReadsEveryFile_data();
    void lconvertReadsEveryFile();

    void qmOutput_data();
    void qmOutput();
    void elfHash_data();
    void elfHash();
    void qmMatchesLrelease_data();
    void qmMatchesLrelease();
    void projectLanguages_data();
    void projectLanguages();

    void numerusLookup_data();
    void numerusLookup();
    void numerusTableShape();
    void pluralSelection_data();
    void pluralSelection();

private:
    // A file in the temporary directory named after the current test row.
    QString rowFile(const QString &suffix) const
    {
        return m_directory.filePath(
            QString::fromLatin1(QTest::currentTestFunction()) + u'_'
            + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + suffix);
    }

    QTemporaryDir m_directory;
};

void TestTranslationFiles::formatRegistry()
{
    // extension|description|binary|loads|saves|priority
    QStringList builtIns;
    for (const CatalogFormat &format : TranslationCatalog::registeredCatalogFormats().mid(0, 3)) {
        builtIns << QStringList { format.extension,
                                  format.description,
                                  QString::number(format.fileType
                                                  == CatalogFileType::TranslationBinary),
                                  QString::number(bool(format.loader)),
                                  QString::number(bool(format.saver)),
                                  QString::number(format.priority) }
                        .join(u'|');
    }
    QCOMPARE(builtIns,
             QStringList({ "qm|Compiled Qt translations|1|1|1|-1",
                           "ts|Qt translation sources|0|1|1|-1",
                           "qml|Compiled Qt translations|0|1|0|-1" }));

    // A higher priority goes after the built-ins of its file type, a lower one
    // before the first format of its type with a greater priority.
    const QStringList before = extensions();
    const auto source = CatalogFileType::TranslationSource;
    TranslationCatalog::registerCatalogFormat({ "late", "late", nullptr, &saveNothing, source, 5 });
    TranslationCatalog::registerCatalogFormat(
        { "middle", "middle", nullptr, &saveNothing, source, 0 });
    TranslationCatalog::registerCatalogFormat({ "same", "same", nullptr, nullptr, source, -1 });
    QCOMPARE(extensions(), before + QStringList({ "same", "middle", "late" }));
}

void TestTranslationFiles::reports_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("save qml: no saver") << true << "qml" << QStringList { "Cannot save qml files" };
    QTest::newRow("save unknown") << true << "xml" << QStringList { "Unknown format xml" };
    QTest::newRow("save capital TS") << true << "TS" << QStringList { "Unknown format TS" };
    QTest::newRow("save empty name") << true << "" << QStringList { "Unknown format " };
    QTest::newRow("save ts") << true << "ts" << QStringList {};
    QTest::newRow("save qm") << true << "qm" << QStringList {};
    QTest::newRow("load unknown") << false << "xml"
                                  << QStringList { "Unknown format xml for file /tmp/file.xml" };
    QTest::newRow("load capital QML")
        << false << "QML" << QStringList { "Unknown format QML for file /tmp/file.xml" };
    QTest::newRow("load without loader")
        << false << "same" << QStringList { "No loader for format same found" };
    // .ts files are written, never read: loading one fails without a report.
    QTest::newRow("load ts reads nothing") << false << "ts" << QStringList {};
}

void TestTranslationFiles::reports()
{
    QFETCH(bool, save);
    QFETCH(QString, format);
    QFETCH(QStringList, errors);

    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    QBuffer buffer;
    if (save) {
        catalog.setLanguage(QStringLiteral("de"));
        catalog.appendMessage(message("hello", "Hallo"));
        buffer.open(QIODevice::WriteOnly);
        QCOMPARE(catalog.saveCatalog(buffer, format), errors.isEmpty());
        QCOMPARE(feedback.messages(), errors);
        QCOMPARE(buffer.data().isEmpty(), !errors.isEmpty());
        return;
    }
    if (format == QLatin1String("same") && !extensions().contains(format)) {
        TranslationCatalog::registerCatalogFormat(
            { format, "same", nullptr, nullptr, CatalogFileType::TranslationSource, -1 });
    }
    buffer.setData(tsHeader
                   + "<TS version=\"2.1\"><context><name></name><message id=\"a\">"
                     "<translation>b</translation></message></context></TS>\n");
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(!catalog.loadCatalog(buffer, QStringLiteral("/tmp/file.xml"), format));
    QCOMPARE(feedback.messages(), errors);
    QVERIFY(catalog.messages().isEmpty());
}

void TestTranslationFiles::qmRoundTrip_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<IdTranslations>("expected"); // in UTF-8 byte order of the IDs

    QTest::newRow("empty") << "ja" << Messages {} << IdTranslations {};
    QTest::newRow("sorted by UTF-8 bytes")
        << "de"
        << Messages { message(u"\u00e4pfel"_qs, u"\u00c4pfel"_qs),
                      message("zebra", "Zebra"),
                      message(u"\U0001F600"_qs, u"Gesicht \U0001F600"_qs),
                      message("Apfel", "Apfel") }
        << IdTranslations { { "Apfel", "Apfel" },
                            { "zebra", "Zebra" },
                            { u"\u00e4pfel"_qs, u"\u00c4pfel"_qs },
                            { u"\U0001F600"_qs, u"Gesicht \U0001F600"_qs } };
    QTest::newRow("selection") << "pl"
                               << Messages { message("b", "first"),
                                             message("b", "second"),
                                             message("a", QString()),
                                             message("u", "U", CatalogMessage::Unfinished),
                                             message("w", QString(), CatalogMessage::Unfinished),
                                             message("v", "V", CatalogMessage::Vanished),
                                             message("o", "O", CatalogMessage::Obsolete) }
                               << IdTranslations { { "a", QString() },
                                                   { "b", "first" },
                                                   { "u", "U" } };
}

void TestTranslationFiles::qmRoundTrip()
{
    QFETCH(QString, language);
    QFETCH(Messages, messages);
    QFETCH(IdTranslations, expected);

    RecordingFeedback feedback;
    QByteArray qm = saveCatalog({ language, {}, { "qtbase_de" }, messages }, "qm", &feedback);
    QVERIFY(!qm.isNull());
    TranslationCatalog read(&feedback);
    QBuffer buffer(&qm);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(read.loadCatalog(buffer, QStringLiteral("x.qm"), QStringLiteral("qm")));
    QCOMPARE(feedback.messages(), QStringList {});
    QCOMPARE(read.language(), language);
    QCOMPARE(read.dependencies(), QStringList { "qtbase_de" });
    IdTranslations actual;
    for (const CatalogMessage &message : read.messages())
        actual.append({ message.id, message.translation });
    QCOMPARE(actual, expected);
}

void TestTranslationFiles::qmLoaderRejectsBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("error");

    const QString noMagic = QStringLiteral("QM-Format error: magic marker missing");
    const QString truncated = QStringLiteral("QM-Format error: truncated section in broken.qm");
    const QString broken = QStringLiteral("QM-Format error: broken message record in broken.qm");
    QByteArray wrongMagic = qmMagic;
    wrongMagic[15] = 0;
    QTest::newRow("empty file") << QByteArray() << noMagic;
    QTest::newRow("text") << QByteArray("<?xml version=\"1.0\"?><TS/>") << noMagic;
    QTest::newRow("short magic") << qmMagic.left(15) << noMagic;
    QTest::newRow("wrong magic") << wrongMagic << noMagic;
    QTest::newRow("section longer than the file")
        << qmMagic + QByteArray::fromHex("A700000010") + "de" << truncated;
    // A section length of -1 is no "null section": it runs far past the end.
    QTest::newRow("section length -1") << qmMagic + QByteArray::fromHex("A7FFFFFFFF") << truncated;
    QTest::newRow("messages section length -1 before a valid section")
        << qmMagic + QByteArray::fromHex("69FFFFFFFF") + languageSection("de") << truncated;
    QTest::newRow("message without end tag")
        << qmMagic + qmSectionBytes(0x69, QByteArray::fromHex("060000000161")) << broken;
    QTest::newRow("odd string length")
        << qmMagic + qmSectionBytes(0x69, QByteArray::fromHex("03000000036100")) << broken;
}

void TestTranslationFiles::qmLoaderRejectsBrokenFiles()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, error);

    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(!catalog.loadCatalog(buffer, QStringLiteral("broken.qm"), QStringLiteral("qm")));
    QCOMPARE(feedback.messages(), QStringList { error });
}

void TestTranslationFiles::tsOutput_data()
{
    QTest::addColumn<CatalogSetup>("setup");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("worked example")
        << workedExample
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
        << CatalogSetup {} << tsHeader + "<TS version=\"2.1\">\n" + emptyContext;
    QTest::newRow("language C left out")
        << CatalogSetup { "C", "C", {}, {} } << tsHeader + "<TS version=\"2.1\">\n" + emptyContext;
    QTest::newRow("lower-case c written")
        << CatalogSetup { "c", {}, {}, {} }
        << tsHeader + "<TS version=\"2.1\" language=\"c\">\n" + emptyContext;
    QTest::newRow("longer text starting with C written")
        << CatalogSetup { "Cy", {}, {}, {} }
        << tsHeader + "<TS version=\"2.1\" language=\"Cy\">\n" + emptyContext;
    QTest::newRow("source language and dependencies")
        << CatalogSetup { "fr-CA", "en", { "qt_fr", "base" }, {} }
        << tsHeader
            + "<TS version=\"2.1\" language=\"fr-CA\" sourcelanguage=\"en\">\n"
              "<dependencies>\n<dependency catalog=\"qt_fr\"/>\n<dependency catalog=\"base\"/>\n"
              "</dependencies>\n"
            + emptyContext;
    QTest::newRow("types and empty translation")
        << german({ message("f", QString()),
                    message("u", QString(), CatalogMessage::Unfinished),
                    message("v", "V", CatalogMessage::Vanished),
                    message("o", "O", CatalogMessage::Obsolete) })
        << germanTs(messageXml("f", "<translation></translation>")
                    + messageXml("u", "<translation type=\"unfinished\"></translation>")
                    + messageXml("v", "<translation type=\"vanished\">V</translation>")
                    + messageXml("o", "<translation type=\"obsolete\">O</translation>"));
    QTest::newRow("empty ID skipped")
        << german({ message(QString(), "lost"), message("kept", "K") })
        << germanTs(messageXml("kept", "<translation>K</translation>"));
    QTest::newRow("markup in the ID escaped")
        << german({ message("a&b \"q\" <x> 'y'", "T") })
        << germanTs(messageXml("a&amp;b &quot;q&quot; &lt;x&gt; &apos;y&apos;",
                               "<translation>T</translation>"));
    // An XML reader turns literal tabs and line breaks in attributes into
    // blanks; references come back as written.
    QTest::newRow("tab and line breaks in the ID as references")
        << german({ message("a\tb\nc\rd", "T") })
        << germanTs(messageXml("a&#9;b&#10;c&#13;d", "<translation>T</translation>"));
    QTest::newRow("translator comment before the translation")
        << german({ message("c", "C", CatalogMessage::Finished, "Button <b>") })
        << germanTs("    <message id=\"c\">\n        <translatorcomment>Button "
                    "&lt;b&gt;</translatorcomment>\n"
                    "        <translation>C</translation>\n    </message>\n");
    QTest::newRow("UTF-8 without byte-order mark")
        << CatalogSetup { "ja",
                          {},
                          {},
                          { message(u"\u65e5\u672c"_qs, u"\u65e5\u672c\u8a9e \U0001F600"_qs) } }
        << tsHeader + "<TS version=\"2.1\" language=\"ja\">\n<context>\n    <name></name>\n"
            + messageXml(
                "\xe6\x97\xa5\xe6\x9c\xac",
                "<translation>\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x98\x80</translation>")
            + "</context>\n</TS>\n";
}

void TestTranslationFiles::tsOutput()
{
    QFETCH(CatalogSetup, setup);
    QFETCH(QByteArray, expected);

    RecordingFeedback feedback;
    QCOMPARE(saveCatalog(setup, "ts", &feedback), expected);
    QVERIFY(feedback.messages().isEmpty());
}

void TestTranslationFiles::tsEscaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");

    QTest::newRow("markup") << "a<b & \"c\""
                            << "a&lt;b &amp; &quot;c&quot;";
    QTest::newRow("apostrophe and greater") << "it's > 1"
                                            << "it&apos;s &gt; 1";
    QTest::newRow("carriage return and line feed") << "a\r\nb"
                                                   << "a<byte value=\"xd\"/>\nb";
    QTest::newRow("tab unchanged") << "a\tb"
                                   << "a\tb";
    QTest::newRow("other control characters")
        << u"\u0001\u001f\u0000"_qs
        << "<byte value=\"x1\"/><byte value=\"x1f\"/><byte value=\"x0\"/>";
    QTest::newRow("delete unchanged") << u"\u007f"_qs << u"\u007f"_qs;
    QTest::newRow("non-ASCII white space")
        << u"a\u00a0b\u0085c\u2028d\u3000"_qs << "a&#xa0;b&#x85;c&#x2028;d&#x3000;";
    QTest::newRow("other non-ASCII unchanged")
        << u"\u00e4\u20ac\U0001F600"_qs << u"\u00e4\u20ac\U0001F600"_qs;
    QTest::newRow("nothing to escape") << "plain text, 42 (ok)!"
                                       << "plain text, 42 (ok)!";
    QTest::newRow("only escapes") << u"&&\u0001"_qs << "&amp;&amp;<byte value=\"x1\"/>";
    QTest::newRow("plain runs between escapes")
        << u"ab<cd\u00a0ef\rgh"_qs << "ab&lt;cd&#xa0;ef<byte value=\"xd\"/>gh";
}

void TestTranslationFiles::tsEscaping()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(escapeTsText(text), escaped);
}

void TestTranslationFiles::peersKeepIdsWithWhiteSpace()
{
    LEXORA_REQUIRE_TOOL("lrelease");
    LEXORA_REQUIRE_TOOL("lconvert");
    const QStringList ids { "a\tb",   "a\nb",           "a\rb",  " lead",
                            "\t\r\n", "x & \"y\"\n<z>", "plain", "two  blanks" };
    CatalogSetup setup = german({});
    QStringList translations;
    for (const QString &id : ids) {
        translations << QStringLiteral("T%1").arg(translations.size());
        setup.messages.append(message(id, translations.last()));
    }
    const QString input = rowFile(".ts");
    QVERIFY(saveCatalogFile(setup, "ts", input));
    // lconvert reads the IDs as they were.
    QCOMPARE(lconvertIds(input, rowFile(".copy.ts")), ids);

    // lrelease compiles them under the same IDs.
    const QByteArray qm = lrelease(input);
    QTranslator translator;
    QVERIFY(translator.load(reinterpret_cast<const uchar *>(qm.constData()), int(qm.size())));
    QStringList found;
    for (const QString &id : ids)
        found << translator.translate(nullptr, id.toUtf8().constData());
    QCOMPARE(found, translations);
}

void TestTranslationFiles::lconvertReadsEveryFile_data()
{
    QTest::addColumn<CatalogSetup>("setup");

    QTest::newRow("worked example") << workedExample;
    QTest::newRow("empty catalogue") << CatalogSetup {};
    QTest::newRow("ID with ampersand and quotes") << CatalogSetup {
        "en-GB", {}, {}, { message("save & \"close\"", "Save & close"), message("a<b>'c'", "<b>") }
    };
    QTest::newRow("every escape") << CatalogSetup {
        "fr-CA",
        "en",
        { "qt_fr" },
        { message("lines",
                  u"one\r\ntwo\tthree\u00a0four \u0001 \u2028"_qs,
                  CatalogMessage::Finished,
                  "for <translators> & \"reviewers\""),
          message(u"\u00fcber"_qs, u"\u00dcber \U0001F600"_qs),
          message("gone", "Weg", CatalogMessage::Vanished),
          message("old", "Alt", CatalogMessage::Obsolete),
          message("todo", QString(), CatalogMessage::Unfinished) }
    };
}

void TestTranslationFiles::lconvertReadsEveryFile()
{
    LEXORA_REQUIRE_TOOL("lconvert");
    QFETCH(CatalogSetup, setup);

    const QString input = rowFile(".ts");
    QVERIFY(saveCatalogFile(setup, "ts", input));

    // Our file is well-formed XML that reads back as written.
    QList<ReadMessage> expected;
    for (const CatalogMessage &message : setup.messages) {
        static const char *const types[] = { "unfinished", "", "vanished", "obsolete" };
        expected.append({ message.id,
                          message.translation,
                          QString::fromLatin1(types[message.type]),
                          message.translatorComment });
    }
    QCOMPARE(readTs(readFile(input)), expected);

    // lconvert reads it without complaint. Its own TS output does not escape
    // IDs, so what it read is checked in its PO output, where vanished and
    // obsolete messages are commented out.
    const QString output = rowFile(".po");
    const ToolResult result = runQtTool("lconvert", { "-i", input, "-of", "po", "-o", output });
    QVERIFY2(result.ok && result.errors.isEmpty(), result.errors.constData());
    for (ReadMessage &message : expected)
        message.type = message.type == u"vanished" || message.type == u"obsolete"
            ? QStringLiteral("gone")
            : QString();
    QCOMPARE(readPo(readFile(output)), expected);
}

void TestTranslationFiles::qmOutput_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("worked example") << "de" << Messages { message("ok", "Ja") }
                                    << QByteArray::fromHex("3CB86418CAEF9C95CD211CBF60A1BDDD"
                                                           "A7000000026465"
                                                           "42000000080000075B00000000"
                                                           "690000001B"
                                                           "0300000004004A0061"
                                                           "0800000000"
                                                           "06000000026F6B"
                                                           "0700000000"
                                                           "01"
                                                           "88000000020101")
                                    << QStringList {};
    QTest::newRow("nothing writable in ja")
        << "ja"
        << Messages { message("gone", "x", CatalogMessage::Vanished),
                      message("todo", "", CatalogMessage::Unfinished) }
        << qmMagic + languageSection("ja") << QStringList {};
    QTest::newRow("empty language") << "" << Messages {} << qmMagic << QStringList {};
    QTest::newRow("language C has no rules")
        << "C" << Messages {} << qmMagic + languageSection("C") << QStringList {};
    QTest::newRow("unknown language code has no rules")
        << "xx" << Messages {} << qmMagic + languageSection("xx") << QStringList {};
    QTest::newRow("duplicates keep the first")
        << "de" << Messages { message("ok", "Ja"), message("ok", "Nein") }
        << germanFile("0000075B00000000", record("ok", "Ja")) << QStringList {};
    // lrelease writes a null string here (03 FF FF FF FF); an empty translation
    // lets QTranslator show the empty text the user entered.
    QTest::newRow("finished with empty translation")
        << "de" << Messages { message("ok", QString()) }
        << germanFile("0000075B00000000", record("ok", "")) << QStringList {};
    QTest::newRow("unfinished with translation kept")
        << "de" << Messages { message("ok", "Ja", CatalogMessage::Unfinished) }
        << germanFile("0000075B00000000", record("ok", "Ja")) << QStringList {};
    QTest::newRow("zero byte in the ID ends the hash")
        << "de" << Messages { message(QString::fromUtf8("o\0k", 3), "Ja") }
        << germanFile("0000006F00000000", record(QByteArray("o\0k", 3), "Ja")) << QStringList {};
    QTest::newRow("sorted by UTF-8 bytes, hashes by value")
        << "de" << Messages { message("b", "B"), message(u"\u00e4"_qs, "A"), message("a", "A") }
        << germanFile("000000610000000000000062000000180000"
                      "0CD400000030",
                      record("a", "A") + record("b", "B") + record("\xc3\xa4", "A"))
        << QStringList {};
    // Vanished messages are skipped before the ID check and are not counted.
    QTest::newRow("messages without ID dropped")
        << "de"
        << Messages { message("kept", "K"),
                      message("", "lost 0"),
                      message("", "lost 1"),
                      message("", "lost 2"),
                      message("", "vanished", CatalogMessage::Vanished) }
        << germanFile("00071C7400000000", record("kept", "K"))
        << QStringList { "Dropped 3 message(s) which had no ID." };
}

void TestTranslationFiles::qmOutput()
{
    QFETCH(QString, language);
    QFETCH(Messages, messages);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, errors);

    RecordingFeedback feedback;
    QCOMPARE(saveCatalog({ language, {}, {}, messages }, "qm", &feedback).toHex(' '),
             expected.toHex(' '));
    QCOMPARE(feedback.messages(), errors);
}

void TestTranslationFiles::elfHash_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("hash");

    QTest::newRow("empty becomes 1") << QByteArray() << 1u;
    QTest::newRow("ok") << QByteArray("ok") << 0x75bu;
    QTest::newRow("stops at zero byte") << QByteArray("ok\0zzz", 6) << 0x75bu;
    QTest::newRow("leading zero byte becomes 1") << QByteArray("\0ok", 3) << 1u;
    QTest::newRow("high bits folded") << QByteArray("abcdefghij") << 0xabaa66au;
    QTest::newRow("unsigned bytes") << QByteArray("\xff\xff") << 0x10efu;
}

void TestTranslationFiles::elfHash()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, hash);
    QCOMPARE(Releaser::elfHash(bytes), hash);
}

void TestTranslationFiles::qmMatchesLrelease_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<bool>("noUnfinished");

    Messages many;
    QRandomGenerator random(4711);
    for (int i = 0; i < 2000; ++i) {
        QString id = QStringLiteral("id.%1.").arg(random.bounded(1000000));
        for (int j = random.bounded(1, 12); j > 0; --j)
            id += QChar(u'a' + random.bounded(26));
        many.append(message(id, QStringLiteral("Translation %1 \u00e9\u00e8").arg(i)));
    }
    QTest::newRow("many") << "fr" << many << true;
    QTest::newRow("non-ASCII IDs") << "ja"
                                   << Messages { message(u"\u65e5\u672c"_qs, u"\u65e5\u672c"_qs),
                                                 message(u"\u00e4pfel"_qs, "A"),
                                                 message(u"\U0001F600 smile"_qs, u"\U0001F600"_qs),
                                                 message(u"\uff21"_qs, "FW"),
                                                 message("zebra", "Z"),
                                                 message(u"\u00e9"_qs, u"\u00c9"_qs) }
                                   << true;
    // "A1", "B!" and "@A" hash alike: 0x41 * 16 + 0x31 == 0x42 * 16 + 0x21 == 0x40 * 16 + 0x41.
    QTest::newRow("IDs sharing a hash")
        << "pl"
        << Messages { message("B!", "second"), message("A1", "first"), message("@A", "third") }
        << true;
    QTest::newRow("empty catalogue, de") << "de" << Messages {} << true;
    QTest::newRow("empty catalogue, ja") << "ja" << Messages {} << true;
    QTest::newRow("obsolete and vanished")
        << "ar"
        << Messages { message("old", "O", CatalogMessage::Obsolete),
                      message("keep", "K"),
                      message("gone", "V", CatalogMessage::Vanished),
                      message("todo", "", CatalogMessage::Unfinished) }
        << true;
    QTest::newRow("markup and control characters")
        << "de"
        << Messages { message("a&b \"q\"", "x < y & \"z\"\r\n\t\u00a0"), message("<tag>", "'") }
        << true;
    // lrelease -nounfinished drops unfinished messages even when they carry a
    // translation; ours keeps them, as lrelease does without that option.
    QTest::newRow("unfinished with translation")
        << "de"
        << Messages { message("bye", "bye", CatalogMessage::Unfinished), message("hello", "Hallo") }
        << false;
}

void TestTranslationFiles::qmMatchesLrelease()
{
    LEXORA_REQUIRE_TOOL("lrelease");
    QFETCH(QString, language);
    QFETCH(Messages, messages);
    QFETCH(bool, noUnfinished);

    const CatalogSetup setup { language, {}, {}, messages };
    QVERIFY(saveCatalogFile(setup, "ts", rowFile(".ts")));
    RecordingFeedback feedback;
    const QByteArray peer = lrelease(rowFile(".ts"), noUnfinished);
    QVERIFY2(!peer.isNull(), "lrelease failed");
    QCOMPARE(saveCatalog(setup, "qm", &feedback).toHex(' '), peer.toHex(' '));
}

void TestTranslationFiles::projectLanguages_data()
{
    QTest::addColumn<QString>("code");
    // The catalogue languages of a project plus the bare and hyphenated codes
    // whose territory changes the plural rules.
    QStringList codes { "ar",    "cs", "da", "de", "en",    "en-AU", "en-GB", "es",
                        "es-MX", "fa", "fi", "fr", "fr-CA", "he",    "hi",    "hu",
                        "it",    "ja", "ko", "nb", "nl",    "pl",    "pt",    "pt-PT",
                        "ro",    "ru", "sk", "sl", "sv",    "tr",    "uk",    "zh" };
    // And every language of every row of the plural rules that QLocale knows.
    for (const NumerusTableEntry &entry : numerusTable().first(17)) {
        const QStringList ofRow = codesOfRow(entry);
        QVERIFY2(!ofRow.isEmpty(), "no language of this row is known to QLocale");
        codes += ofRow;
    }
    codes.removeDuplicates();
    for (const QString &code : std::as_const(codes))
        QTest::newRow(qPrintable(code)) << code;
}

void TestTranslationFiles::projectLanguages()
{
    QFETCH(QString, code);

    const Messages messages { message("ok", QStringLiteral("OK in ") + code),
                              message("A1", "first"),
                              message("B!", "second"),
                              message(u"\u00fcber"_qs, u"\u00dcber \u65e5\u672c \U0001F600"_qs),
                              message("empty", QString()),
                              message("todo", "", CatalogMessage::Unfinished) };
    const QString qmPath = rowFile(".qm");
    QVERIFY(saveCatalogFile({ code, {}, {}, messages }, "qm", qmPath));

    // Qt's runtime loads what we wrote and answers qtTrId with our texts.
    {
        QTranslator translator;
        QVERIFY(translator.load(qmPath));
        QCOMPARE(translator.language(), code);
        QVERIFY(QCoreApplication::installTranslator(&translator));
        for (const CatalogMessage &message : messages) {
            QCOMPARE(qtTrId(message.id.toUtf8().constData()),
                     message.type == CatalogMessage::Unfinished ? message.id : message.translation);
        }
        QCOMPARE(qtTrId("not.in.catalogue"), QStringLiteral("not.in.catalogue"));
        QCoreApplication::removeTranslator(&translator);
    }

    // lrelease compiles the same .ts into the same file. It writes a null string
    // for the finished empty translation where we write an empty one, and it
    // does not understand hyphenated codes, so those are compared with the
    // underscore form, every section but Language.
    LEXORA_REQUIRE_TOOL("lrelease");
    QVERIFY(saveCatalogFile(
        { QString(code).replace(u'-', u'_'), {}, {}, messages }, "ts", rowFile(".ts")));
    QByteArray peer = lrelease(rowFile(".ts"));
    QVERIFY2(!peer.isNull(), "lrelease failed");
    const QByteArray nullTranslation
        = QByteArray::fromHex("03FFFFFFFF08000000000600000005") + "empty";
    QCOMPARE(peer.count(nullTranslation), 1);
    peer.replace(nullTranslation, QByteArray::fromHex("030000000008000000000600000005") + "empty");

    const QByteArray ours = readFile(qmPath);
    QVERIFY(ours.startsWith(qmMagic) && peer.startsWith(qmMagic));
    const QList<QmSection> ourSections = qmSections(ours);
    const QList<QmSection> peerSections = qmSections(peer);
    QCOMPARE(ourSections.size(), peerSections.size());
    for (qsizetype i = 0; i < ourSections.size(); ++i) {
        QCOMPARE(ourSections[i].tag, peerSections[i].tag);
        if (ourSections[i].tag == 0xa7)
            QCOMPARE(ourSections[i].payload, code.toUtf8());
        else
            QCOMPARE(ourSections[i].payload.toHex(' '), peerSections[i].payload.toHex(' '));
    }
    if (!code.contains(u'-'))
        QCOMPARE(ours.toHex(' '), peer.toHex(' '));
    // A bare code may resolve to a territory that another row claims (pt is
    // Brazilian Portuguese); the rules written are those of the row found.
    const auto [language, territory] = languageAndTerritory(code);
    if (const NumerusTableEntry *entry = findNumerusRules(language, territory))
        QCOMPARE(qmSection(ours, 0x88).toHex(' '), ruleBytes(*entry).toHex(' '));
}

void TestTranslationFiles::numerusLookup_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("row"); // 1-based, 0: none

    // pt resolves to Brazil, pt-PT falls back to AnyTerritory; Filipino stops at row 3.
    for (const auto &[code, row] :
         { std::pair { "de", 2 }, { "en-GB", 2 }, { "fr", 3 },  { "fr-CA", 3 }, { "pt", 3 },
           { "pt-BR", 3 },        { "pt-PT", 2 }, { "ja", 1 },  { "zh", 1 },    { "lv", 4 },
           { "ga", 6 },           { "gd", 7 },    { "cs", 8 },  { "lt", 10 },   { "uk", 11 },
           { "pl", 12 },          { "ro", 13 },   { "sl", 14 }, { "cy", 16 },   { "ar", 17 },
           { "fil", 3 },          { "C", 0 },     { "xx", 0 } })
        QTest::newRow(code) << QString::fromLatin1(code) << row;
    QTest::newRow("empty") << "" << 0;
}

void TestTranslationFiles::numerusLookup()
{
    QFETCH(QString, code);
    QFETCH(int, row);
    const auto [language, territory] = languageAndTerritory(code);
    const NumerusTableEntry *entry = findNumerusRules(language, territory);
    QCOMPARE(entry ? int(entry - numerusTable().data()) + 1 : 0, row);
}

void TestTranslationFiles::numerusTableShape()
{
    QCOMPARE(numerusTable().size(), std::size_t(18));
    for (const NumerusTableEntry &entry : numerusTable()) {
        // One form per rule plus the form that matches no rule.
        const QByteArray rules = ruleBytes(entry);
        QCOMPARE(qsizetype(entry.forms.size()),
                 (rules.isEmpty() ? 0 : rules.count(char(0xff)) + 1) + 1);
        QVERIFY(!entry.languages.empty());
        QVERIFY(entry.territories.empty() || entry.territories.size() == entry.languages.size());
        QVERIFY(
            QByteArray(entry.gettextRules)
                .startsWith("nplurals=" + QByteArray::number(entry.forms.size()) + "; plural="));
    }
}

void TestTranslationFiles::pluralSelection_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("expectedForms"); // form chosen for n = 0 .. 29

    // Forms by hand from the languages' grammar, for the first thirty counts.
    QTest::newRow("pl") << "pl" << QByteArray("201112222222222222222211122222");
    QTest::newRow("ar") << "ar" << QByteArray("012333333334444444444444444444");
    QTest::newRow("ru") << "ru" << QByteArray("201112222222222222222011122222");
    QTest::newRow("fr") << "fr" << QByteArray("001111111111111111111111111111");
    QTest::newRow("de") << "de" << QByteArray("101111111111111111111111111111");
    QTest::newRow("ja") << "ja" << QByteArray("000000000000000000000000000000");
    QTest::newRow("cs") << "cs" << QByteArray("201112222222222222222222222222");
    QTest::newRow("sl") << "sl" << QByteArray("301223333333333333333333333333");
    QTest::newRow("ro") << "ro" << QByteArray("101111111111111111112222222222");
    QTest::newRow("lv") << "lv" << QByteArray("201111111111111111111011111111");
    QTest::newRow("cy") << "cy" << QByteArray("012222344444444444444444444444");
}

void TestTranslationFiles::pluralSelection()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, expectedForms);

    const auto [language, territory] = languageAndTerritory(code);
    const NumerusTableEntry *entry = findNumerusRules(language, territory);
    QVERIFY(entry);

    // A numerus message with one translation per form of the row, named after
    // the form's index, so the translator's choice can be read back.
    QStringList forms;
    for (std::size_t i = 0; i < entry->forms.size(); ++i)
        forms.append(QString::number(i));
    Releaser releaser(code);
    releaser.setNumerusRules(ruleBytes(*entry));
    releaser.insert(QmEntry { "", "files", "", forms });
    releaser.squeeze(Releaser::SaveEverything);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(releaser.save(buffer));
    const QByteArray ourQm = buffer.data();
    QTranslator ours;
    QVERIFY(ours.load(reinterpret_cast<const uchar *>(ourQm.constData()), int(ourQm.size())));
    for (int n = 0; n < expectedForms.size(); ++n)
        QCOMPARE(ours.translate(nullptr, "files", nullptr, n),
                 QString(QLatin1Char(expectedForms[n])));

    // The same message compiled by lrelease must choose the same form for every
    // count, including the ranges where modulo rules repeat.
    LEXORA_REQUIRE_TOOL("lrelease");
    QVERIFY(writeFile(rowFile(".ts"), numerusTs(code, forms)));
    const QByteArray peerQm = lrelease(rowFile(".ts"));
    QVERIFY2(!peerQm.isNull(), "lrelease failed");
    QCOMPARE(qmSection(peerQm, 0x88).toHex(' '), ruleBytes(*entry).toHex(' '));
    QTranslator peer;
    QVERIFY(peer.load(reinterpret_cast<const uchar *>(peerQm.constData()), int(peerQm.size())));
    QSet<QString> chosen;
    for (int n = 0; n <= 1200; ++n) {
        const QString form = ours.translate(nullptr, "files", nullptr, n);
        QCOMPARE(form, peer.translate(nullptr, "files", nullptr, n));
        chosen.insert(form);
    }
    // Every form of the row is reachable.
    QCOMPARE(chosen.size(), forms.size());
}

QTEST_GUILESS_MAIN(TestTranslationFiles)

#include "tst_translationfiles.moc"
