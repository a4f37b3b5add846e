#include "tst_translationcatalog.h"

#include "peertools.h"
#include "recordingfeedback.h"
#include "translationfiles/catalogformat.h"
#include "translationfiles/translationcatalog.h"

#include <QBuffer>
#include <QTest>

using namespace Lexora;

namespace {

bool saveNothing(const TranslationCatalog &, QIODevice &, UserFeedbackInterface *)
{
    return true;
}

QStringList extensions()
{
    QStringList names;
    for (const CatalogFormat &format : TranslationCatalog::registeredCatalogFormats())
        names.append(format.extension);
    return names;
}

using Messages = QList<CatalogMessage>;
using IdTranslations = QList<std::pair<QString, QString>>;

} // namespace

void TestTranslationCatalog::builtInFormats()
{
    struct Expected
    {
        const char *extension;
        const char *description;
        CatalogFileType fileType;
        bool saves;
    };
    const Expected expected[] = {
        { "qm", "Compiled Qt translations", CatalogFileType::TranslationBinary, true },
        { "ts", "Qt translation sources", CatalogFileType::TranslationSource, true },
        { "qml", "Compiled Qt translations", CatalogFileType::TranslationSource, false },
    };
    const QList<CatalogFormat> &formats = TranslationCatalog::registeredCatalogFormats();
    QVERIFY(formats.size() >= 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(formats[i].extension, QLatin1String(expected[i].extension));
        QCOMPARE(QByteArray(formats[i].description), QByteArray(expected[i].description));
        QCOMPARE(formats[i].fileType, expected[i].fileType);
        QVERIFY(formats[i].loader);
        QCOMPARE(bool(formats[i].saver), expected[i].saves);
        QCOMPARE(formats[i].priority, -1);
    }
}

void TestTranslationCatalog::registrationOrder()
{
    const QStringList before = extensions();

    // A higher priority goes after the built-ins of its file type, a lower one
    // before the first format of its type with a greater priority.
    TranslationCatalog::registerCatalogFormat({ QStringLiteral("late"),
                                                "late",
                                                nullptr,
                                                &saveNothing,
                                                CatalogFileType::TranslationSource,
                                                5 });
    TranslationCatalog::registerCatalogFormat({ QStringLiteral("middle"),
                                                "middle",
                                                nullptr,
                                                &saveNothing,
                                                CatalogFileType::TranslationSource,
                                                0 });
    TranslationCatalog::registerCatalogFormat({ QStringLiteral("same"),
                                                "same",
                                                nullptr,
                                                nullptr,
                                                CatalogFileType::TranslationSource,
                                                -1 });

    const QStringList expected = before
        + QStringList { QStringLiteral("same"), QStringLiteral("middle"), QStringLiteral("late") };
    QCOMPARE(extensions(), expected);
}

void TestTranslationCatalog::saveReports_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("qml has no saver")
        << "qml" << false << QStringList { QStringLiteral("Cannot save qml files") };
    QTest::newRow("unknown") << "xml" << false
                             << QStringList { QStringLiteral("Unknown format xml") };
    QTest::newRow("capital TS") << "TS" << false
                                << QStringList { QStringLiteral("Unknown format TS") };
    QTest::newRow("empty name") << "" << false << QStringList { QStringLiteral("Unknown format ") };
    QTest::newRow("ts") << "ts" << true << QStringList {};
    QTest::newRow("qm") << "qm" << true << QStringList {};
}

void TestTranslationCatalog::saveReports()
{
    QFETCH(QString, format);
    QFETCH(bool, result);
    QFETCH(QStringList, errors);

    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    catalog.setLanguage(QStringLiteral("de"));
    catalog.appendMessage(message(QStringLiteral("hello"), QStringLiteral("Hallo")));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(catalog.saveCatalog(buffer, format), result);
    QCOMPARE(feedback.messages(), errors);
    QCOMPARE(buffer.data().isEmpty(), !result);
}

void TestTranslationCatalog::loadReports_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("unknown") << "xml"
                             << QStringList { QStringLiteral(
                                    "Unknown format xml for file /tmp/file.xml") };
    QTest::newRow("capital QML") << "QML"
                                 << QStringList { QStringLiteral(
                                        "Unknown format QML for file /tmp/file.xml") };
    QTest::newRow("no loader") << "same"
                               << QStringList { QStringLiteral("No loader for format same found") };
    // .ts files are written, never read: loading one fails without a report.
    QTest::newRow("ts reads nothing") << "ts" << QStringList {};
}

void TestTranslationCatalog::loadReports()
{
    QFETCH(QString, format);
    QFETCH(QStringList, errors);

    if (format == QLatin1String("same") && !extensions().contains(format)) {
        TranslationCatalog::registerCatalogFormat(
            { format, "same", nullptr, nullptr, CatalogFileType::TranslationSource, -1 });
    }

    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    QBuffer buffer;
    buffer.setData("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\">"
                   "<context><name></name><message id=\"a\"><translation>b</translation>"
                   "</message></context></TS>\n");
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(!catalog.loadCatalog(buffer, QStringLiteral("/tmp/file.xml"), format));
    QCOMPARE(feedback.messages(), errors);
    QVERIFY(catalog.messages().isEmpty());
}

void TestTranslationCatalog::qmRoundTrip_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<IdTranslations>("expected"); // in UTF-8 byte order of the IDs

    QTest::newRow("empty") << "ja" << Messages {} << IdTranslations {};
    QTest::newRow("sorted by UTF-8 bytes")
        << "de"
        << Messages { message(u"\u00e4pfel"_qs, u"\u00c4pfel"_qs),
                      message(QStringLiteral("zebra"), QStringLiteral("Zebra")),
                      message(u"\U0001F600"_qs, u"Gesicht \U0001F600"_qs),
                      message(QStringLiteral("Apfel"), QStringLiteral("Apfel")) }
        << IdTranslations { { QStringLiteral("Apfel"), QStringLiteral("Apfel") },
                            { QStringLiteral("zebra"), QStringLiteral("Zebra") },
                            { u"\u00e4pfel"_qs, u"\u00c4pfel"_qs },
                            { u"\U0001F600"_qs, u"Gesicht \U0001F600"_qs } };
    QTest::newRow("selection")
        << "pl"
        << Messages { message(QStringLiteral("b"), QStringLiteral("first")),
                      message(QStringLiteral("b"), QStringLiteral("second")),
                      message(QStringLiteral("a"), QString()),
                      message(QStringLiteral("u"), QStringLiteral("U"), CatalogMessage::Unfinished),
                      message(QStringLiteral("w"), QString(), CatalogMessage::Unfinished),
                      message(QStringLiteral("v"), QStringLiteral("V"), CatalogMessage::Vanished),
                      message(QStringLiteral("o"), QStringLiteral("O"), CatalogMessage::Obsolete) }
        << IdTranslations { { QStringLiteral("a"), QString() },
                            { QStringLiteral("b"), QStringLiteral("first") },
                            { QStringLiteral("u"), QStringLiteral("U") } };
}

void TestTranslationCatalog::qmRoundTrip()
{
    QFETCH(QString, language);
    QFETCH(Messages, messages);
    QFETCH(IdTranslations, expected);

    RecordingFeedback feedback;
    TranslationCatalog written(&feedback);
    written.setLanguage(language);
    written.setMessages(messages);
    written.setDependencies({ QStringLiteral("qtbase_de") });
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(written.saveCatalog(buffer, QStringLiteral("qm")));
    buffer.close();

    TranslationCatalog read(&feedback);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(read.loadCatalog(buffer, QStringLiteral("x.qm"), QStringLiteral("qm")));
    QCOMPARE(feedback.messages(), QStringList {});
    QCOMPARE(read.language(), language);
    QCOMPARE(read.dependencies(), QStringList { QStringLiteral("qtbase_de") });

    IdTranslations actual;
    for (const CatalogMessage &message : read.messages())
        actual.append({ message.id, message.translation });
    QCOMPARE(actual, expected);
}

void TestTranslationCatalog::qmLoaderRejectsBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("error");

    const QString noMagic = QStringLiteral("QM-Format error: magic marker missing");
    QTest::newRow("empty file") << QByteArray() << noMagic;
    QTest::newRow("text") << QByteArray("<?xml version=\"1.0\"?><TS/>") << noMagic;
    QTest::newRow("short magic") << PeerTools::qmMagic().left(15) << noMagic;
    QByteArray wrongMagic = PeerTools::qmMagic();
    wrongMagic[15] = 0;
    QTest::newRow("wrong magic") << wrongMagic << noMagic;
    QTest::newRow("section longer than the file")
        << PeerTools::qmMagic() + QByteArray::fromHex("A700000010") + "de"
        << QStringLiteral("QM-Format error: truncated section in broken.qm");
    // A section length of -1 is no "null section": it runs far past the end.
    QTest::newRow("section length -1")
        << PeerTools::qmMagic() + QByteArray::fromHex("A7FFFFFFFF")
        << QStringLiteral("QM-Format error: truncated section in broken.qm");
    QTest::newRow("messages section length -1 before a valid section")
        << PeerTools::qmMagic() + QByteArray::fromHex("69FFFFFFFF")
            + PeerTools::qmSectionBytes(0xa7, "de")
        << QStringLiteral("QM-Format error: truncated section in broken.qm");
    QTest::newRow("message without end tag")
        << PeerTools::qmMagic()
            + PeerTools::qmSectionBytes(0x69, QByteArray::fromHex("060000000161"))
        << QStringLiteral("QM-Format error: broken message record in broken.qm");
    QTest::newRow("odd string length")
        << PeerTools::qmMagic()
            + PeerTools::qmSectionBytes(0x69, QByteArray::fromHex("03000000036100"))
        << QStringLiteral("QM-Format error: broken message record in broken.qm");
}

void TestTranslationCatalog::qmLoaderRejectsBrokenFiles()
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
