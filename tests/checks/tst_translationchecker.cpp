// The checker over a real translation database: which findings a project
// gets, which ones its metadata silences, and the coverage it is told; and
// over a judged sample of professional translations, what it must report and
// what it must leave alone.

#include <checks/checkdatareader.h>
#include <checks/translationchecker.h>
#include <databaseio/projectdatabase.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Lexora;

namespace {

// Texts in English, German, French and Japanese, in that order; a null
// pointer leaves the language out.
TranslatableEntry
entry(const char *id, std::initializer_list<const char *> texts, const char *ignored = nullptr)
{
    TranslatableEntry entry;
    entry.translationTextId = id;
    static const char *const languages[] = { "en", "de", "fr", "ja" };
    const char *const *language = languages;
    for (const char *text : texts) {
        if (text)
            entry.translations.push_back({ *language, text, {}, 0, {} });
        ++language;
    }
    if (ignored)
        entry.metaData.push_back({ ignoreMetaDataKey, DatabaseValue(std::string(ignored)) });
    return entry;
}

// What a live translation test stored: one text elided in a state, one that
// fits, and an elided text of an ID the QML files no longer use.
const char screenMetaData[] = R"([
    {"translationId": "welcome.title", "componentPath": "/shop/content/Main.qml", "state": "compact",
     "sceneId": "", "metaData": [{"Exceeds": true, "Missing": false, "sourceLocation": {"line": 4, "column": 9}}]},
    {"translationId": "file.open", "componentPath": "/shop/content/Main.qml", "state": "",
     "sceneId": "", "metaData": [{"Exceeds": false, "Missing": false}]},
    {"translationId": "unused.id", "componentPath": "/shop/content/Old.qml", "sceneId": "", "metaData": [{"Exceeds": true}]}
])";

const QStringList usedIds { "action.save",  "brand.name",      "dialog.note",   "file.open",
                            "files.delete", "ignored.all",     "label.name",    "message.twoLines",
                            "no.primary",   "not.in.database", "question.quit", "settings.title",
                            "status.code",  "status.saved",    "welcome.title" };

QString key(const CheckFinding &finding)
{
    return finding.language + u':' + finding.check + u':' + finding.translationId;
}

// A judged row's text: "\\n", "\\t", "\\r" and "\\\\" are escapes; "\\f" separates plural forms.
QStringList unescapedForms(QStringView text)
{
    QStringList forms(QString {});
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (text[index] != u'\\' || index + 1 == text.size()) {
            forms.back() += text[index];
            continue;
        }
        const QChar next = text[++index];
        if (next == u'f')
            forms.append(QString());
        else
            forms.back() += next == u'n' ? u'\n'
                : next == u't'           ? u'\t'
                : next == u'r'           ? u'\r'
                                         : next;
    }
    return forms;
}

} // namespace

class TestTranslationChecker : public QObject
{
    Q_OBJECT

    QTemporaryDir m_directory;
    std::unique_ptr<ProjectDatabase> m_database;
    QSet<QString> m_corpusFindings;

    CheckReport run(const QStringList &languages, const std::optional<QStringList> &ids)
    {
        CheckDataReader reader(m_database->database());
        return TranslationChecker(reader).check("en", languages, ids);
    }

private slots:
    // A shop application's texts with the mistakes translators make.
    void initTestCase()
    {
        m_database = std::make_unique<ProjectDatabase>(m_directory.filePath("translations.db"));
        m_database->databaseIo().syncTranslatables({
            entry("file.open",
                  { "&Open File...",
                    "Datei ö&ffnen…",
                    "&Ouvrir un fichier…",
                    "ファイルを開く(&O)..." }),
            entry("files.delete",
                  { "Delete %1 files from %2?",
                    "%1 Dateien aus %2 löschen?",
                    "Supprimer les fichiers de %2 ?",
                    "%2から%1個のファイルを削除しますか？" }),
            entry("status.saved", { "Saved.", "Gespeichert.", "", "保存しました。" }),
            entry("settings.title", { "Settings", "Settings", "Paramètres" }),
            entry("status.code", { "404", "404", "404", "404" }),
            entry("dialog.note",
                  { "<b>Note:</b> changes apply after a restart.",
                    "Hinweis: Änderungen gelten nach einem Neustart.",
                    "<b>Remarque :</b> les modifications s'appliquent après un redémarrage.",
                    "<b>注意：</b>変更は再起動後に適用されます。" }),
            entry("brand.name", { "Lexora", "Lexora", "Lexora", "Lexora" }, "identical"),
            entry("label.name", { "Name: ", "Name:", "Nom : ", "名前：" }),
            entry("message.twoLines",
                  { "Line one\nLine two",
                    "Zeile eins Zeile zwei",
                    "Ligne un\nLigne deux",
                    "一行目\n二行目" }),
            entry("question.quit", { "Quit?", "Beenden", "Quitter ?", "終了しますか？" }),
            entry("action.save", { "&Save", "Speichern", "&Enregistrer", "保存(&S)" }),
            entry("welcome.title",
                  { "Welcome to the application",
                    "Willkommen in der Anwendung",
                    "Bienvenue dans l'application",
                    "アプリケーションへようこそ" }),
            entry("ignored.all", { "Hi %1", "" }, "*"),
            entry("no.primary", { nullptr, "Nur Deutsch" }),
            entry("unused.id", { "Unused" }),
        });
        m_database->databaseIo().storeScreenMetaData(screenMetaData);
    }

    void findings_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<bool>("allIds");
        QTest::addColumn<QStringList>("expected");
        // "language used/translated" per language of the report. Silencing a check
        // hides findings, never the gap in the numbers: ignored.all counts as
        // missing everywhere.
        QTest::addColumn<QString>("coverage");

        const QStringList de = { "de:missing:not.in.database",   "de:accelerators:action.save",
                                 "de:whitespace:label.name",     "de:linebreaks:message.twoLines",
                                 "de:punctuation:question.quit", "de:markup:dialog.note",
                                 "de:identical:settings.title" };
        const QStringList fr = { "fr:missing:no.primary",
                                 "fr:missing:not.in.database",
                                 "fr:missing:status.saved",
                                 "fr:placeholders:files.delete" };
        const QStringList ja = { "ja:missing:no.primary",
                                 "ja:missing:not.in.database",
                                 "ja:missing:settings.title",
                                 "ja:whitespace:label.name" };
        const QStringList elided { ":elided:welcome.title" };
        QTest::newRow("used IDs, every language")
            << QStringList { "de", "fr", "ja" } << false << de + fr + ja + elided
            << "de 15/13, fr 15/11, ja 15/11";
        QTest::newRow("languages in the order asked")
            << QStringList { "ja", "de" } << false << ja + de + elided << "ja 15/11, de 15/13";
        QTest::newRow("primary language skipped")
            << QStringList { "en", "fr" } << false << fr + elided << "fr 15/11";
        QTest::newRow("every ID of the database")
            << QStringList { "de", "fr" } << true
            << QStringList { "de:missing:unused.id",         "de:accelerators:action.save",
                             "de:whitespace:label.name",     "de:linebreaks:message.twoLines",
                             "de:punctuation:question.quit", "de:markup:dialog.note",
                             "de:identical:settings.title",  "fr:missing:no.primary",
                             "fr:missing:status.saved",      "fr:missing:unused.id",
                             "fr:placeholders:files.delete", ":elided:unused.id",
                             ":elided:welcome.title" }
            << "de 15/13, fr 15/11";
        QTest::newRow("no IDs used") << QStringList { "de" } << false << QStringList {} << "de 0/0";
    }

    void findings()
    {
        QFETCH(QStringList, languages);
        QFETCH(bool, allIds);
        QFETCH(QStringList, expected);
        QFETCH(QString, coverage);

        const CheckReport report = run(
            languages,
            allIds ? std::nullopt : std::optional(expected.isEmpty() ? QStringList() : usedIds));
        QStringList keys;
        for (const CheckFinding &finding : report.findings)
            keys.append(key(finding));
        QCOMPARE(keys, expected);
        QStringList numbers;
        for (const LanguageCoverage &language : report.coverage) {
            QCOMPARE(language.missing, language.used - language.translated);
            numbers.append(QStringLiteral("%1 %2/%3")
                               .arg(language.language)
                               .arg(language.used)
                               .arg(language.translated));
        }
        QCOMPARE(numbers.join(", "), coverage);
    }

    void findingsCarryTheirTexts()
    {
        const CheckReport report = run({ "fr" }, usedIds);
        const CheckFinding &placeholder = report.findings.at(3);
        QCOMPARE(placeholder.check, "placeholders");
        QCOMPARE(placeholder.severity, CheckSeverity::Error);
        QCOMPARE(placeholder.primaryText, "Delete %1 files from %2?");
        QCOMPARE(placeholder.translation, "Supprimer les fichiers de %2 ?");
        const CheckFinding &elided = report.findings.back();
        QCOMPARE(elided.check, "elided");
        QCOMPARE(elided.severity, CheckSeverity::Warning);
        QCOMPARE(elided.primaryText, "Welcome to the application");
        QCOMPARE(elided.componentPath, "/shop/content/Main.qml");
        QCOMPARE(elided.state, "compact");
        QCOMPARE(report.errorCount(), 4);
    }

    void ignoreList_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one") << "identical" << QStringList { "identical" };
        QTest::newRow("commas and blanks") << " identical, punctuation ;markup"
                                           << QStringList { "identical", "punctuation", "markup" };
        QTest::newRow("case folded") << "Identical" << QStringList { "identical" };
        QTest::newRow("empty") << "" << QStringList {};
    }

    void ignoreList()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, names);
        QCOMPARE(TranslationChecker::parseIgnoreList(value), names);
    }

    // One row per line of tests/checks/data/judged-findings.tsv: verdict, check,
    // language, ID, primary text, translation.
    void judgedCorpus_data()
    {
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("key");

        QFile file(QStringLiteral(LEXORA_TEST_SOURCE_DIR "/data/judged-findings.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QStringList> rows;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).chopped(1);
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            rows.append(line.split(u'\t'));
            QVERIFY2(rows.last().size() == 6, qPrintable(line));
        }
        QVERIFY2(rows.size() > 100,
                 "tests/checks/data/judged-findings.tsv is missing or malformed");

        // The judged translations, every language of an ID beside the others,
        // as one project: the checker learns from the whole database what the
        // translators of each language do.
        std::map<QString, TranslatableEntry> entries;
        QStringList languages;
        for (const QStringList &row : rows) {
            const std::string language = row[2].toStdString();
            TranslatableEntry &entry = entries[row[3]];
            if (entry.translationTextId.empty()) {
                entry.translationTextId = row[3].toStdString();
                entry.translations.push_back(
                    { "en", unescapedForms(row[4]).join(QString()).toStdString(), {}, 0, {} });
            }
            if (std::none_of(entry.translations.begin(),
                             entry.translations.end(),
                             [&](const TranslationEntry &translation) {
                                 return translation.language == language;
                             })) {
                const QStringList forms = unescapedForms(row[5]);
                TranslationEntry &translation = entry.translations.emplace_back();
                translation.language = language;
                translation.translation = forms.front().toStdString();
                for (const QString &form : forms.mid(1))
                    translation.pluralForms.push_back(form.toStdString());
            }
            if (!languages.contains(row[2]))
                languages.append(row[2]);
        }
        TranslatableEntries all;
        for (auto &[id, entry] : entries)
            all.push_back(std::move(entry));
        QTemporaryDir directory;
        ProjectDatabase database(directory.filePath("translations.db"));
        database.databaseIo().syncTranslatables(all);
        CheckDataReader reader(database.database());
        for (const CheckFinding &finding :
             TranslationChecker(reader).check("en", languages, std::nullopt).findings)
            m_corpusFindings.insert(key(finding));

        for (const QStringList &row : rows) {
            if (row[0] != QLatin1String("context"))
                QTest::newRow(qPrintable(row[0] + u' ' + row[2] + u':' + row[1] + u':' + row[3]))
                    << row[0] << row[2] + u':' + row[1] + u':' + row[3];
        }
    }

    // A defect stays reported and a right translation silent; the rows judged
    // right but still reported, or wrong but no longer seen, stay as they are
    // until the file is judged anew, so the measured rates stay true.
    void judgedCorpus()
    {
        QFETCH(QString, verdict);
        QFETCH(QString, key);
        const bool reported
            = verdict == QLatin1String("true") || verdict == QLatin1String("false-open");
        QVERIFY2(reported || verdict == QLatin1String("false")
                     || verdict == QLatin1String("true-missed"),
                 qPrintable(verdict));
        QCOMPARE(m_corpusFindings.contains(key), reported);
    }
};

QTEST_GUILESS_MAIN(TestTranslationChecker)
#include "tst_translationchecker.moc"
