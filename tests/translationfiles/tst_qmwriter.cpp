#include "tst_qmwriter.h"

#include "peertools.h"
#include "recordingfeedback.h"
#include "translationfiles/releaser.h"
#include "translationfiles/translationcatalog.h"

#include <peerrequirement.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTest>
#include <QTranslator>
#include <QtEndian>

using namespace Lexora;
using PeerTools::qmMagic;
using PeerTools::qmSectionBytes;

namespace {

using Messages = QList<CatalogMessage>;

QByteArray saveQm(const QString &language, const Messages &messages, RecordingFeedback &feedback)
{
    TranslationCatalog catalog(&feedback);
    catalog.setLanguage(language);
    catalog.setMessages(messages);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!catalog.saveCatalog(buffer, QStringLiteral("qm")))
        return {};
    return buffer.data();
}

QByteArray utf16(const QString &text)
{
    QByteArray bytes;
    for (const QChar ch : text) {
        bytes.append(char(ch.unicode() >> 8));
        bytes.append(char(ch.unicode() & 0xff));
    }
    return bytes;
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

// The record of one ID-based message with a single translation.
QByteArray record(const QByteArray &id, const QString &translation)
{
    return "\x03" + be32(translation.size() * 2) + utf16(translation)
        + QByteArray("\x08\0\0\0\0", 5) + "\x06" + be32(id.size()) + id
        + QByteArray("\x07\0\0\0\0\x01", 6);
}

const QByteArray germanRules = qmSectionBytes(0x88, QByteArray::fromHex("0101"));

QByteArray language(const QByteArray &code)
{
    return qmSectionBytes(0xa7, code);
}

// A German file with one message: its hash table entry and its record.
QByteArray germanFile(const QByteArray &hashes, const QByteArray &records)
{
    return qmMagic() + language("de") + qmSectionBytes(0x42, QByteArray::fromHex(hashes))
        + qmSectionBytes(0x69, records) + germanRules;
}

// The catalogue languages of a project plus the bare and hyphenated codes
// whose territory changes the plural rules.
const QStringList projectLanguageCodes = {
    "ar", "cs",    "da", "de", "en", "en-AU", "en-GB", "es", "es-MX", "fa", "fi",
    "fr", "fr-CA", "he", "hi", "hu", "it",    "ja",    "ko", "nb",    "nl", "pl",
    "pt", "pt-PT", "ro", "ru", "sk", "sl",    "sv",    "tr", "uk",    "zh",
};

} // namespace

void TestQmWriter::output_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QByteArray>("expected");

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
                                                           "88000000020101");
    QTest::newRow("nothing writable in ja")
        << "ja"
        << Messages { message("gone", "x", CatalogMessage::Vanished),
                      message("todo", "", CatalogMessage::Unfinished) }
        << qmMagic() + language("ja");
    QTest::newRow("empty language") << "" << Messages {} << qmMagic();
    QTest::newRow("language C has no rules") << "C" << Messages {} << qmMagic() + language("C");
    QTest::newRow("unknown language code has no rules")
        << "xx" << Messages {} << qmMagic() + language("xx");
    QTest::newRow("duplicates keep the first")
        << "de" << Messages { message("ok", "Ja"), message("ok", "Nein") }
        << germanFile("0000075B00000000", record("ok", "Ja"));
    // lrelease writes a null string here (03 FF FF FF FF); an empty translation
    // lets QTranslator show the empty text the user entered.
    QTest::newRow("finished with empty translation")
        << "de" << Messages { message("ok", QString()) }
        << germanFile("0000075B00000000", record("ok", ""));
    QTest::newRow("unfinished with translation kept")
        << "de" << Messages { message("ok", "Ja", CatalogMessage::Unfinished) }
        << germanFile("0000075B00000000", record("ok", "Ja"));
    QTest::newRow("zero byte in the ID ends the hash")
        << "de" << Messages { message(QString::fromUtf8("o\0k", 3), "Ja") }
        << germanFile("0000006F00000000", record(QByteArray("o\0k", 3), "Ja"));
    QTest::newRow("sorted by UTF-8 bytes, hashes by value")
        << "de" << Messages { message("b", "B"), message(u"\u00e4"_qs, "A"), message("a", "A") }
        << germanFile("00000061000000000000006200000018"
                      "00000CD400000030",
                      record("a", "A") + record("b", "B") + record("\xc3\xa4", "A"));
}

void TestQmWriter::output()
{
    QFETCH(QString, language);
    QFETCH(Messages, messages);
    QFETCH(QByteArray, expected);

    RecordingFeedback feedback;
    QCOMPARE(saveQm(language, messages, feedback).toHex(' '), expected.toHex(' '));
    QVERIFY(feedback.messages().isEmpty());
}

void TestQmWriter::elfHash_data()
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

void TestQmWriter::elfHash()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, hash);
    QCOMPARE(Releaser::elfHash(bytes), hash);
}

void TestQmWriter::droppedReport_data()
{
    QTest::addColumn<int>("withoutId");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("none") << 0 << QStringList {};
    QTest::newRow("three") << 3
                           << QStringList { QStringLiteral(
                                  "Dropped 3 message(s) which had no ID.") };
}

void TestQmWriter::droppedReport()
{
    QFETCH(int, withoutId);
    QFETCH(QStringList, errors);

    Messages messages { message("kept", "K") };
    for (int i = 0; i < withoutId; ++i)
        messages.append(message(QString(), QStringLiteral("lost %1").arg(i)));
    // Vanished messages are skipped before the ID check and are not counted.
    messages.append(message(QString(), "vanished", CatalogMessage::Vanished));

    RecordingFeedback feedback;
    const QByteArray qm = saveQm(QStringLiteral("de"), messages, feedback);
    QCOMPARE(feedback.messages(), errors);
    QCOMPARE(PeerTools::qmSection(qm, 0x69), record("kept", "K"));
}

void TestQmWriter::matchesLrelease_data()
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

void TestQmWriter::matchesLrelease()
{
    LEXORA_REQUIRE_TOOL("lrelease");
    QFETCH(QString, language);
    QFETCH(Messages, messages);
    QFETCH(bool, noUnfinished);
    QVERIFY(m_directory.isValid());

    TranslationCatalog catalog;
    catalog.setLanguage(language);
    catalog.setMessages(messages);
    const QString base = m_directory.filePath(
        QStringLiteral("match_%1").arg(QTest::currentDataTag()).replace(u' ', u'_'));
    QVERIFY(PeerTools::writeCatalog(catalog, QStringLiteral("ts"), base + ".ts"));
    QVERIFY(PeerTools::writeCatalog(catalog, QStringLiteral("qm"), base + ".qm"));

    const QByteArray peer = PeerTools::lrelease(base + ".ts", noUnfinished);
    QVERIFY2(!peer.isNull(), "lrelease failed");
    QCOMPARE(readFile(base + ".qm").toHex(' '), peer.toHex(' '));
}

void TestQmWriter::projectLanguages_data()
{
    QTest::addColumn<QString>("code");
    for (const QString &code : projectLanguageCodes)
        QTest::newRow(qPrintable(code)) << code;
}

void TestQmWriter::projectLanguages()
{
    QFETCH(QString, code);
    QVERIFY(m_directory.isValid());

    const Messages messages { message("ok", QStringLiteral("OK in ") + code),
                              message("A1", "first"),
                              message("B!", "second"),
                              message(u"\u00fcber"_qs, u"\u00dcber \u65e5\u672c \U0001F600"_qs),
                              message("empty", QString()),
                              message("todo", "", CatalogMessage::Unfinished) };
    TranslationCatalog catalog;
    catalog.setLanguage(code);
    catalog.setMessages(messages);
    const QString base = m_directory.filePath(QStringLiteral("qml_") + code);
    QVERIFY(PeerTools::writeCatalog(catalog, QStringLiteral("qm"), base + ".qm"));

    // Qt's runtime loads what we wrote and answers qtTrId with our texts.
    {
        QTranslator translator;
        QVERIFY(translator.load(base + ".qm"));
        QCOMPARE(translator.language(), code);
        QVERIFY(QCoreApplication::installTranslator(&translator));
        for (const CatalogMessage &message : messages) {
            const QByteArray id = message.id.toUtf8();
            const QString expected
                = message.type == CatalogMessage::Unfinished ? message.id : message.translation;
            QCOMPARE(qtTrId(id.constData()), expected);
        }
        QCOMPARE(qtTrId("not.in.catalogue"), QStringLiteral("not.in.catalogue"));
        QCoreApplication::removeTranslator(&translator);
    }

    // lrelease compiles the same .ts into the same file. It writes a null string
    // for the finished empty translation where we write an empty one, and it
    // does not understand hyphenated codes, so those are compared with the
    // underscore form, every section but Language.
    if (PeerTools::toolPath(QStringLiteral("lrelease")).isEmpty())
        LEXORA_PEER_MISSING("Qt's lrelease is not installed (package qt6-l10n-tools)");
    TranslationCatalog peerCatalog;
    peerCatalog.setLanguage(QString(code).replace(u'-', u'_'));
    peerCatalog.setMessages(messages);
    QVERIFY(PeerTools::writeCatalog(peerCatalog, QStringLiteral("ts"), base + ".ts"));
    QByteArray peer = PeerTools::lrelease(base + ".ts");
    QVERIFY2(!peer.isNull(), "lrelease failed");

    const QByteArray nullTranslation
        = QByteArray::fromHex("03FFFFFFFF08000000000600000005") + "empty";
    const QByteArray emptyTranslation
        = QByteArray::fromHex("030000000008000000000600000005") + "empty";
    QCOMPARE(peer.count(nullTranslation), 1);
    peer.replace(nullTranslation, emptyTranslation);

    const QByteArray ours = readFile(base + ".qm");
    QVERIFY(ours.startsWith(qmMagic()));
    QVERIFY(peer.startsWith(qmMagic()));
    const QList<PeerTools::QmSection> ourSections = PeerTools::qmSections(ours);
    const QList<PeerTools::QmSection> peerSections = PeerTools::qmSections(peer);
    QCOMPARE(ourSections.size(), peerSections.size());
    for (qsizetype i = 0; i < ourSections.size(); ++i) {
        QCOMPARE(ourSections[i].tag, peerSections[i].tag);
        if (ourSections[i].tag == 0xa7) {
            QCOMPARE(ourSections[i].payload, code.toUtf8());
            continue;
        }
        QCOMPARE(ourSections[i].payload.toHex(' '), peerSections[i].payload.toHex(' '));
    }
    if (!code.contains(u'-'))
        QCOMPARE(ours.toHex(' '), peer.toHex(' '));
}
