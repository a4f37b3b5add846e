// Qt Linguist files taken into the database: what the reader keeps, and the
// round trip .ts -> lexora import -> lexora generate, judged by what
// QTranslator answers on lrelease's compilation of the same .ts file.

#include "projectfixture.h"

#include "exception.h"
#include "linguistimport.h"

#include <peerrequirement.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace Lexora;

namespace {

QByteArray ts(const QByteArray &language, const QByteArray &messages)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" "
           "language=\""
        + language + "\">\n<context>\n    <name></name>\n" + messages + "</context>\n</TS>\n";
}

// What Qt Linguist hands back: every state a message can be in.
const QByteArray germanMessages = R"(
    <message id="app.title"><source>Title</source><translation>Titel</translation></message>
    <message id="app.quit"><source>Quit</source>
        <translation type="unfinished">Beenden</translation></message>
    <message id="app.empty"><source></source><translation type="unfinished"></translation></message>
    <message id="app.files" numerus="yes"><source>%n file(s)</source>
        <translation><numerusform>%n Datei</numerusform><numerusform>%n Dateien</numerusform>
        </translation></message>
    <message id="app.partly" numerus="yes"><source>%n day(s)</source>
        <translation><numerusform>%n Tag</numerusform><numerusform></numerusform>
        </translation></message>
    <message id="app.few" numerus="yes"><source>%n hour(s)</source>
        <translation><numerusform>%n Stunde</numerusform></translation></message>
    <message id="app.old"><source>Old</source><translation type="vanished">Alt</translation></message>
    <message id="app.older"><source>Older</source>
        <translation type="obsolete">Älter</translation></message>
    <message id="app.markup"><source>m</source>
        <translation>A &amp; B &lt;b&gt; "q" <byte value="x7"/>ü</translation></message>
    <message id="app.short"><source>Settings</source><translation variants="yes">
        <lengthvariant>Einstellungen</lengthvariant><lengthvariant>Einst.</lengthvariant>
        </translation></message>
    <message><source>Only a source</source><translation>Nur eine Quelle</translation></message>
)";

const QByteArray frenchMessages = R"(
    <message id="app.title"><source>Title</source><translation>Titre</translation></message>
    <message id="app.quit"><source>Quit</source><translation>Quitter</translation></message>
    <message id="OK"><source>OK</source><translation>OK</translation></message>
)";

// ID -> language -> text, as the import would store it.
using Stored = QMap<QString, QMap<QString, QString>>;
// Language -> contents of its .ts file.
using LinguistFiles = QMap<QString, QByteArray>;

Stored storedOf(const TranslatableEntries &entries)
{
    Stored stored;
    for (const TranslatableEntry &entry : entries) {
        for (const TranslationEntry &translation : entry.translations) {
            // Plural forms after the first, each after a '|'.
            QString text = QString::fromStdString(translation.translation);
            for (const std::string &form : translation.pluralForms)
                text += u'|' + QString::fromStdString(form);
            stored[QString::fromStdString(entry.translationTextId)].insert(
                QString::fromStdString(translation.language), text);
        }
    }
    return stored;
}

// A project whose one screen uses every ID, so generation writes them all.
void createProject(const QString &directory,
                   const QStringList &languages,
                   const QStringList &ids,
                   const QStringList &pluralIds = {})
{
    writeFile(directory + "/trip.qmlproject",
              "import QmlProject\nProject {\n    mainFile: \"content/Main.qml\"\n    QmlFiles { "
              "directory: \"content\" }\n"
              "    supportedLanguages: [\""
                  + languages.join("\", \"").toUtf8() + "\"]\n    primaryLanguage: \"en\"\n}\n");
    QByteArray qml = "import QtQuick\nItem {\n    property var texts: [\n";
    for (const QString &id : ids)
        qml += "        qsTrId(\"" + id.toUtf8()
            + (pluralIds.contains(id) ? "\", 1),\n" : "\"),\n");
    writeFile(directory + "/content/Main.qml", qml + "    ]\n}\n");
}

// What an application shows for the ID with the catalogue installed.
QString answer(const QTranslator &translator, const QString &id, int n)
{
    QCoreApplication::installTranslator(const_cast<QTranslator *>(&translator));
    const QString text = qtTrId(id.toUtf8().constData(), n);
    QCoreApplication::removeTranslator(const_cast<QTranslator *>(&translator));
    return text;
}

// Qt's own translations are source-based; an ID-based file as lupdate would
// write it for qsTrId calls gives each message an ID derived from its context,
// source and comment, the same in every language.
QByteArray toIdBased(const QByteArray &sourceBased)
{
    using Pattern = QRegularExpression;
    static const Pattern context("<context>\\s*<name>(.*?)</name>(.*?)</context>",
                                 Pattern::DotMatchesEverythingOption);
    static const Pattern message("<message([^>]*)>(.*?)</message>",
                                 Pattern::DotMatchesEverythingOption);
    static const Pattern source("<source>(.*?)</source>", Pattern::DotMatchesEverythingOption);
    static const Pattern commentElement("\\s*<comment>(.*?)</comment>",
                                        Pattern::DotMatchesEverythingOption);
    QString text = QString::fromUtf8(sourceBased);
    QString idBased;
    qsizetype done = 0;
    for (const QRegularExpressionMatch &inContext : context.globalMatch(text)) {
        idBased += text.mid(done, inContext.capturedStart(2) - done);
        done = inContext.capturedEnd(2);
        QString messages = inContext.captured(2);
        qsizetype at = 0;
        for (QRegularExpressionMatch found = message.match(messages); found.hasMatch();
             found = message.match(messages, at)) {
            QString body = found.captured(2);
            const QString comment = commentElement.match(body).captured(1);
            body.remove(commentElement);
            const QByteArray hash
                = QCryptographicHash::hash((inContext.captured(1) + u'\x04'
                                            + source.match(body).captured(1) + u'\x04' + comment)
                                               .toUtf8(),
                                           QCryptographicHash::Sha1);
            const QString replaced = "<message id=\"qt."
                + QString::fromLatin1(hash.toHex().left(12)) + '"' + found.captured(1) + '>' + body
                + "</message>";
            messages.replace(found.capturedStart(), found.capturedLength(), replaced);
            at = found.capturedStart() + replaced.size();
        }
        idBased += messages;
    }
    return (idBased + text.mid(done)).toUtf8();
}

} // namespace

class TestLinguistImport : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<bool>("unfinished");
        QTest::addColumn<QStringList>("projectLanguages");
        QTest::addColumn<Stored>("expected");

        Stored finished { { "app.title", { { "de", "Titel" }, { "fr", "Titre" } } },
                          { "app.quit", { { "fr", "Quitter" } } },
                          { "OK", { { "fr", "OK" } } },
                          { "app.files", { { "de", "%n Datei|%n Dateien" } } },
                          { "app.markup", { { "de", QStringLiteral("A & B <b> \"q\" \x07ü") } } },
                          { "app.short",
                            { { "de", QStringLiteral("Einstellungen\u009cEinst.") } } } };
        QTest::newRow("finished only") << false << QStringList { "en", "de", "fr" } << finished;
        Stored withUnfinished = finished;
        withUnfinished["app.quit"].insert("de", "Beenden");
        QTest::newRow("unfinished too")
            << true << QStringList { "en", "de", "fr" } << withUnfinished;
        // The file's locale where the project has no code of its own for it.
        Stored regional;
        for (auto it = finished.cbegin(); it != finished.cend(); ++it) {
            for (auto text = it->cbegin(); text != it->cend(); ++text)
                regional[it.key()].insert(text.key() == "de" ? "de-DE" : text.key(), text.value());
        }
        QTest::newRow("locale kept") << false << QStringList { "en", "fr", "de-AT" } << regional;
    }

    void reads()
    {
        QFETCH(bool, unfinished);
        QFETCH(QStringList, projectLanguages);
        QFETCH(Stored, expected);
        QTemporaryDir directory;
        writeFile(directory.filePath("de.ts"), ts("de_DE", germanMessages));
        writeFile(directory.filePath("fr.ts"), ts("fr", frenchMessages));
        LinguistImport import(projectLanguages, unfinished);
        import.addFile(directory.filePath("de.ts"));
        import.addFile(directory.filePath("fr.ts"));
        QCOMPARE(storedOf(import.entries()), expected);
        const LinguistImportCounts &counts = import.counts();
        QCOMPARE(QList<int>({ counts.messages,
                              counts.unfinished,
                              counts.untranslated,
                              counts.vanished,
                              counts.withoutId,
                              counts.plural }),
                 QList<int>({ 14, unfinished ? 0 : 1, 3, 2, 1, 1 }));
    }

    void refuses_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QTest::newRow("truncated") << ts("de", germanMessages).left(300) << ":9: Premature end";
        QTest::newRow("not a TS file")
            << QByteArray("<html><body/></html>") << "root element is <html>";
        QTest::newRow("empty") << QByteArray() << ":1: Premature end";
        QTest::newRow("no language") << ts("", frenchMessages) << "names no language";
        QTest::newRow("bad byte") << ts(
            "de", R"(<message id="a"><translation><byte value="xzz"/></translation></message>)")
                                  << "invalid byte value";
    }

    void refuses()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        QTemporaryDir directory;
        writeFile(directory.filePath("broken.ts"), contents);
        LinguistImport import({ "de" });
        try {
            import.addFile(directory.filePath("broken.ts"));
            QFAIL("the file was read");
        } catch (const CannotReadLinguistFile &error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(reason), error.what());
        }
        QVERIFY(import.entries().empty());
    }

    // The import is a local edit: a later JSON import and sync, which makes the
    // database hold exactly the JSON file, keeps it; and it removes nothing.
    void keptByLaterSync()
    {
        QTemporaryDir directory;
        createProject(directory.path(), { "en", "de", "fr" }, { "app.title", "other" });
        writeFile(
            directory.filePath("base.json"),
            R"({"translatables": [{"trId": "other", "translations": [{"language": "de", "translation": "Anderes"}]}]})");
        QCOMPARE(lexora({ "import", "base.json" }, directory.path()).exitCode, 0);
        writeFile(directory.filePath("de.ts"), ts("de", germanMessages));

        // A broken file among good ones changes nothing.
        writeFile(directory.filePath("broken.ts"), ts("fr", frenchMessages).left(200));
        const ToolResult refused = lexora({ "import", "de.ts", "broken.ts" }, directory.path());
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("broken.ts:"), qPrintable(refused.err));
        QVERIFY(refused.out.isEmpty());

        const ToolResult dry = lexora({ "import", "de.ts", "--dry-run" }, directory.path());
        QVERIFY2(dry.exitCode == 0, qPrintable(dry.err));
        const ToolResult real = lexora({ "import", "de.ts" }, directory.path());
        QVERIFY2(real.exitCode == 0, qPrintable(real.err));
        const QStringList expected { "  translation IDs: 4 added, 0 changed, 0 removed",
                                     "  translations: 4 added, 0 changed, 0 removed",
                                     "  messages: 11 read, 4 taken, 1 unfinished left out, 3 "
                                     "untranslated, 2 vanished or obsolete, 1 without an ID",
                                     "  plural messages: 1, with all their forms" };
        QCOMPARE(dry.out.split(u'\n', Qt::SkipEmptyParts).mid(1), expected);
        QCOMPARE(real.out.split(u'\n', Qt::SkipEmptyParts).mid(1), expected);
        QVERIFY2(real.err.contains("1 message(s) without an ID were left out"),
                 qPrintable(real.err));

        QCOMPARE(lexora({ "import", "base.json" }, directory.path()).exitCode, 0);
        QCOMPARE(lexora({ "export", "all.json" }, directory.path()).exitCode, 0);
        const QByteArray json = readFile(directory.filePath("all.json"));
        QVERIFY2(json.contains("\"Titel\"") && json.contains("\"Anderes\""), json.constData());
    }

    void roundTrip_data()
    {
        QTest::addColumn<LinguistFiles>("files");
        QTest::addColumn<bool>("unfinished");
        const LinguistFiles written { { "de", ts("de_DE", germanMessages) },
                                      { "fr", ts("fr", frenchMessages) } };
        QTest::newRow("finished, as lrelease -nounfinished") << written << false;
        QTest::newRow("unfinished, as lrelease") << written << true;

        // Qt's professional translations, in languages of one to six plural forms;
        // LEXORA_TS_CORPUS=MODULE (qtbase, designer, ...) takes every language of
        // that module instead, for a trial on the whole of it.
        const QString module = qEnvironmentVariable("LEXORA_TS_CORPUS", "qtbase");
        const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        QStringList languages { "ja", "de", "fr", "ru", "pl", "ar" };
        if (qEnvironmentVariableIsSet("LEXORA_TS_CORPUS")) {
            languages.clear();
            for (const QString &qm : QDir(translations).entryList({ module + "_*.qm" }))
                languages.append(qm.mid(module.size() + 1).chopped(3));
        }
        LinguistFiles qt;
        QTemporaryDir scratch;
        for (const QString &language : std::as_const(languages)) {
            const QString qm = QStringLiteral("%1/%2_%3.qm").arg(translations, module, language);
            const QString sourceBased = scratch.filePath(language + ".ts");
            if (QFile::exists(qm) && runQtTool("lconvert", { "-i", qm, "-o", sourceBased }))
                qt.insert(QString(language).replace(u'_', u'-'), toIdBased(readFile(sourceBased)));
        }
        QTest::newRow("Qt's own translations")
            << (qt.size() == languages.size() ? qt : LinguistFiles()) << false;
    }

    void roundTrip()
    {
        QFETCH(LinguistFiles, files);
        QFETCH(bool, unfinished);
        if (qtTool("lrelease").isEmpty() || qtTool("lconvert").isEmpty())
            LEXORA_PEER_MISSING("Qt's lrelease and lconvert are not installed (qt6-l10n-tools)");
        if (files.isEmpty())
            LEXORA_PEER_MISSING("Qt's translations are not installed (qt6-translations-l10n)");

        // The IDs of the files and, per language, the ones of plural messages.
        QTemporaryDir directory;
        QStringList tsFiles, ids, numerusIds;
        QMap<QString, QStringList> numerusIdsOf;
        static const QRegularExpression message("<message id=\"([^\"]+)\"([^>]*)>");
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            tsFiles.append(directory.filePath("linguist/" + it.key() + ".ts"));
            writeFile(tsFiles.last(), it.value());
            for (const QRegularExpressionMatch &found :
                 message.globalMatch(QString::fromUtf8(it.value()))) {
                ids.append(found.captured(1));
                if (found.captured(2).contains(QLatin1String("numerus=\"yes\"")))
                    numerusIdsOf[it.key()].append(found.captured(1));
            }
            numerusIds += numerusIdsOf.value(it.key());
        }
        ids.removeDuplicates();
        numerusIds.removeDuplicates();
        const QStringList languages = files.keys();
        createProject(directory.path(), QStringList { "en" } + languages, ids, numerusIds);

        const ToolResult imported
            = lexora(QStringList { "import" } + tsFiles
                         + (unfinished ? QStringList { "--unfinished" } : QStringList()),
                     directory.path());
        QVERIFY2(imported.exitCode == 0, qPrintable(imported.err));
        const ToolResult generated = lexora({ "generate" }, directory.path());
        QVERIFY2(generated.exitCode == 0, qPrintable(generated.err));
        // Both files of a language hold the same messages, so their summaries
        // agree, also where a translation equals its ID.
        const auto summary = [&](const QString &file) {
            for (const QString &line : generated.out.split(u'\n')) {
                if (line.trimmed().startsWith(QDir::toNativeSeparators(directory.filePath(file))))
                    return line.mid(line.indexOf(u'('));
            }
            return QString();
        };
        for (const QString &language : languages) {
            QVERIFY2(!summary("i18n/qml_" + language + ".qm").isEmpty(), qPrintable(generated.out));
            QCOMPARE(summary("i18n/qml_" + language + ".qm"),
                     summary("i18n/qml_" + language + ".ts"));
        }

        qInfo().noquote() << imported.out + generated.out;
        int compared = 0;
        for (const QString &language : languages) {
            const QString theirs = directory.filePath("lrelease/" + language + ".qm");
            QDir().mkpath(directory.filePath("lrelease"));
            QVERIFY(runQtTool(
                "lrelease",
                QStringList { "-idbased", "-silent" }
                    + (unfinished ? QStringList() : QStringList { "-nounfinished" })
                    + QStringList {
                        directory.filePath("linguist/" + language + ".ts"), "-qm", theirs }));
            QTranslator lrelease;
            QTranslator ours;
            QVERIFY(lrelease.load(theirs));
            QVERIFY(ours.load(directory.filePath("i18n/qml_" + language + ".qm")));
            for (const QString &id : std::as_const(ids)) {
                // Without a count, and for a plural message with every count the
                // language's rules tell apart. Where the file gives a message used
                // with a count one form only, Qt answers no count that needs
                // another form, and Lexora answers that one form.
                const int last = numerusIdsOf.value(language).contains(id) ? 30 : -1;
                for (int n = -1; n <= last; ++n, ++compared) {
                    const QString expected = answer(lrelease, id, n);
                    if (answer(ours, id, n) != expected)
                        QFAIL(qPrintable(QStringLiteral("%1 [%2] n = %3: \"%4\", lrelease \"%5\"")
                                             .arg(id, language)
                                             .arg(n)
                                             .arg(answer(ours, id, n), expected)));
                }
            }
        }
        qInfo("%s: %d answers equal (%lld plural messages with n = 0..30)",
              QTest::currentDataTag(),
              compared,
              numerusIds.size());
    }
};

QTEST_GUILESS_MAIN(TestLinguistImport)

#include "tst_linguistimport.moc"
