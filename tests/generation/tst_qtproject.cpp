#include "tst_qtproject.h"

#include "fileservices.h"
#include "generationtestsupport.h"
#include "translationfileservices.h"
#include "writetranslationfiles.h"

#include <peerrequirement.h>

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

using namespace Lexora;

namespace {

const QStringList projectIds {
    "files.count", "files.empty", "files.title", "folders.left", "items.selected"
};

// The example's files in a fresh project whose languages are `languages`.
bool openExample(TestProject &project, const QByteArray &languages)
{
    const QDir example(QStringLiteral(LEXORA_SOURCE_DIR "/tests/qtproject"));
    for (const QString &name : example.entryList({ "*.qml", "*.js" }, QDir::Files))
        project.writeFile(name, readFile(example.filePath(name)));
    project.writeFile(QStringLiteral("test.qmlproject"),
                      "import QmlProject\nProject {\n    mainFile: \"Main.qml\"\n"
                      "    supportedLanguages: ["
                          + languages + "]\n    primaryLanguage: \"en\"\n}\n");
    return project.open();
}

bool generate(TestProject &project, const LanguageCodes &languages, RecordingFeedback &feedback)
{
    FileServices files;
    TranslationFileServices translationFiles(feedback);
    const GenerationServices services {
        &translationFiles, &project.database().databaseIo(), &files, &feedback
    };
    return writeTranslationFiles(services, languages, TranslationFormats { "qm", "ts" });
}

// What qtTrId answers for each ID and count (no count as well) with the file
// installed, one line per ID.
QStringList answers(const QString &qmFile, const QStringList &ids)
{
    QTranslator translator;
    if (!translator.load(qmFile))
        return { QStringLiteral("<cannot load %1>").arg(qmFile) };
    QCoreApplication::installTranslator(&translator);
    QStringList lines;
    for (const QString &id : ids) {
        QStringList texts { qtTrId(id.toUtf8().constData()) };
        for (int n = 0; n <= 30; ++n)
            texts.append(qtTrId(id.toUtf8().constData(), n));
        lines.append(id + QLatin1String(": ") + texts.join(QLatin1String(" | ")));
    }
    QCoreApplication::removeTranslator(&translator);
    return lines;
}

// What a .ts file says of each ID besides its translations: source text,
// extra comment, key-value pairs and whether it is plural.
QMap<QString, QString> messageDetails(const QString &tsFile)
{
    QMap<QString, QString> details;
    QXmlStreamReader reader(readFile(tsFile));
    QString id;
    QStringList fields;
    QStringList extras;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (name == u"message") {
                id = reader.attributes().value(QLatin1String("id")).toString();
                fields = { QString(), QString(), reader.attributes().value("numerus").toString() };
                extras.clear();
            } else if (name == u"source") {
                fields[0] = reader.readElementText();
            } else if (name == u"extracomment") {
                fields[1] = reader.readElementText();
            } else if (name.startsWith(u"extra-")) {
                extras.append(name.mid(6).toString() + u'=' + reader.readElementText());
            }
        } else if (reader.isEndElement() && reader.name() == u"message") {
            details.insert(id, (fields + extras).join(u'|'));
        }
    }
    if (reader.hasError())
        details.insert(QStringLiteral("<error>"), reader.errorString());
    return details;
}

} // namespace

void TestQtProject::initTestCase()
{
    m_lrelease = toolPath(QStringLiteral("lrelease"));
    m_lupdate = toolPath(QStringLiteral("lupdate"));
    m_lconvert = toolPath(QStringLiteral("lconvert"));
}

void TestQtProject::pluralsAnswerAsLrelease_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("forms");

    // As many forms as the language's plural rules have, from one to six.
    QTest::newRow("ja") << "ja" << QStringList { "%n 個のファイル" };
    QTest::newRow("en") << "en" << QStringList { "%n file", "%n files" };
    QTest::newRow("fr") << "fr" << QStringList { "%n fichier", "%n fichiers" };
    QTest::newRow("ru") << "ru" << QStringList { "%n файл", "%n файла", "%n файлов" };
    QTest::newRow("pl") << "pl" << QStringList { "%n plik", "%n pliki", "%n plików" };
    QTest::newRow("ar") << "ar" << QStringList { "لا ملفات", "ملف واحد", "ملفان",
                                                 "%n ملفات", "%n ملفًا",  "%n ملف" };
}

void TestQtProject::pluralsAnswerAsLrelease()
{
    QFETCH(QString, language);
    QFETCH(QStringList, forms);
    if (m_lrelease.isEmpty())
        LEXORA_PEER_MISSING("Qt's lrelease is not installed; the comparison needs it.");

    TestProject project;
    QVERIFY(openExample(project, '"' + language.toUtf8() + '"'));
    DatabaseIo &database = project.database().databaseIo();
    std::vector<std::string> stored;
    for (const QString &form : forms)
        stored.push_back(form.toStdString());
    database.updatePluralForms(
        database.addTranslatable("files.count"), language.toStdString(), stored);
    // One form for every count.
    const QString single = QStringLiteral("selected (") + language + u')';
    database.updateTranslation(
        database.addTranslatable("items.selected"), language.toStdString(), single.toStdString());

    RecordingFeedback feedback;
    QVERIFY2(generate(project, { language.toStdString() }, feedback),
             qPrintable(feedback.generalErrors().join(u'\n')));
    const QString ourQm = project.i18nFile(QStringLiteral("qml_%1.qm").arg(language));
    const QString ourTs = project.i18nFile(QStringLiteral("qml_%1.ts").arg(language));
    const QStringList ours = answers(ourQm, projectIds);

    // The same translations as Qt's tools write them, compiled by lrelease.
    const QString peerTs = project.filePath(QStringLiteral("peer.ts"));
    QByteArray ts
        = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" "
          "language=\""
        + language.toUtf8()
        + "\">\n<context>\n    <name></name>\n    <message id=\"files.count\" numerus=\"yes\">\n"
          "        <source>%n file(s)</source>\n        <translation>\n";
    for (const QString &form : forms)
        ts += "            <numerusform>" + form.toUtf8() + "</numerusform>\n";
    ts += "        </translation>\n    </message>\n</context>\n</TS>\n";
    writeFile(peerTs, ts);
    const QString peerQm = project.filePath(QStringLiteral("peer.qm"));
    QVERIFY(runTool(m_lrelease, { "-idbased", peerTs, "-qm", peerQm }));
    QCOMPARE(ours.first(), answers(peerQm, { "files.count" }).first());

    // Our .ts compiled by lrelease answers as our .qm for every ID.
    const QString releasedQm = project.filePath(QStringLiteral("released.qm"));
    QVERIFY(runTool(m_lrelease, { "-idbased", ourTs, "-qm", releasedQm }));
    QCOMPARE(ours, answers(releasedQm, projectIds));

    // A single form answers every count, and an untranslated plural its
    // source text; never the raw ID.
    const QString singleLine = ours.at(projectIds.indexOf("items.selected"));
    QCOMPARE(singleLine.count(single), 32);
    const QString sourceLine = ours.at(projectIds.indexOf("folders.left"));
    QCOMPARE(sourceLine.count(QLatin1String(" folder(s) left")), 32);
}

void TestQtProject::sourceTextsAndCommentsAsLupdate()
{
    if (m_lupdate.isEmpty() || m_lrelease.isEmpty() || m_lconvert.isEmpty())
        LEXORA_PEER_MISSING("Qt's lupdate, lrelease and lconvert are needed for the comparison.");

    TestProject project;
    QVERIFY(openExample(project, "\"en\", \"ru\""));
    // A stored text is never replaced by the source text.
    project.addTranslation("files.title", "en", "Stored files");
    RecordingFeedback feedback;
    QVERIFY2(generate(project, { "en", "ru" }, feedback),
             qPrintable(feedback.generalErrors().join(u'\n')));

    const QString theirTs = project.filePath(QStringLiteral("lupdate.ts"));
    QVERIFY(runTool(
        m_lupdate, { project.filePath("Main.qml"), project.filePath("logic.js"), "-ts", theirTs }));
    // lconvert reads our file and writes it as Qt's tools write theirs.
    const QString ourTs = project.filePath(QStringLiteral("ours.ts"));
    QString lconvertOutput;
    QVERIFY(
        runTool(m_lconvert, { "-i", project.i18nFile("qml_ru.ts"), "-o", ourTs }, &lconvertOutput));
    QCOMPARE(lconvertOutput, QString());
    const QMap<QString, QString> theirs = messageDetails(theirTs);
    QCOMPARE(theirs.keys(), projectIds);
    QCOMPARE(messageDetails(ourTs), theirs);

    // Untranslated IDs answer as lrelease makes Qt answer: with the source
    // text where there is one, in every language.
    QString ruTs = QString::fromUtf8(readFile(theirTs));
    ruTs.replace(QLatin1String("<TS version=\"2.1\">"),
                 QLatin1String("<TS version=\"2.1\" language=\"ru\">"));
    writeFile(theirTs, ruTs.toUtf8());
    const QString theirQm = project.filePath(QStringLiteral("lupdate.qm"));
    QVERIFY(runTool(m_lrelease, { "-idbased", theirTs, "-qm", theirQm }));
    QCOMPARE(answers(project.i18nFile("qml_ru.qm"), projectIds), answers(theirQm, projectIds));

    const QStringList english = answers(project.i18nFile("qml_en.qm"), { "files.title" });
    QVERIFY2(english.first().startsWith(QLatin1String("files.title: Stored files |")),
             qPrintable(english.first()));
}
