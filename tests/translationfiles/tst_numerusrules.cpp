#include "tst_numerusrules.h"

#include "peertools.h"
#include "translationfiles/numerusrules.h"
#include "translationfiles/qmwriter.h"
#include "translationfiles/releaser.h"
#include "translationfiles/translationcatalog.h"

#include <peerrequirement.h>

#include <QFile>
#include <QSet>
#include <QTest>
#include <QTranslator>

using namespace Lexora;

namespace {

int rowOf(const NumerusTableEntry *entry)
{
    if (!entry)
        return 0;
    return int(entry - numerusTable().data()) + 1;
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

} // namespace

void TestNumerusRules::lookup_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("row");

    QTest::newRow("de") << "de" << 2;
    QTest::newRow("en-GB") << "en-GB" << 2;
    QTest::newRow("fr") << "fr" << 3;
    QTest::newRow("fr-CA") << "fr-CA" << 3;
    QTest::newRow("pt resolves to Brazil") << "pt" << 3;
    QTest::newRow("pt-BR") << "pt-BR" << 3;
    QTest::newRow("pt-PT falls back to AnyTerritory") << "pt-PT" << 2;
    QTest::newRow("ja") << "ja" << 1;
    QTest::newRow("zh") << "zh" << 1;
    QTest::newRow("lv") << "lv" << 4;
    QTest::newRow("ga") << "ga" << 6;
    QTest::newRow("gd") << "gd" << 7;
    QTest::newRow("cs") << "cs" << 8;
    QTest::newRow("lt") << "lt" << 10;
    QTest::newRow("uk") << "uk" << 11;
    QTest::newRow("pl") << "pl" << 12;
    QTest::newRow("ro") << "ro" << 13;
    QTest::newRow("sl") << "sl" << 14;
    QTest::newRow("cy") << "cy" << 16;
    QTest::newRow("ar") << "ar" << 17;
    QTest::newRow("Filipino stops at row 3") << "fil" << 3;
    QTest::newRow("C") << "C" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("unknown") << "xx" << 0;
}

void TestNumerusRules::lookup()
{
    QFETCH(QString, code);
    QFETCH(int, row);
    const auto [language, territory] = languageAndTerritory(code);
    QCOMPARE(rowOf(findNumerusRules(language, territory)), row);
}

void TestNumerusRules::tableShape()
{
    const std::span<const NumerusTableEntry> table = numerusTable();
    QCOMPARE(table.size(), std::size_t(18));
    for (const NumerusTableEntry &entry : table) {
        // One form per rule plus the form that matches no rule.
        const QByteArray rules = ruleBytes(entry);
        const qsizetype ruleCount = rules.isEmpty() ? 0 : rules.count(char(0xff)) + 1;
        QCOMPARE(qsizetype(entry.forms.size()), ruleCount + 1);
        QVERIFY(!entry.languages.empty());
        QVERIFY(entry.territories.empty() || entry.territories.size() == entry.languages.size());
        const QByteArray gettext(entry.gettextRules);
        QVERIFY(
            gettext.startsWith("nplurals=" + QByteArray::number(entry.forms.size()) + "; plural="));
    }
}

void TestNumerusRules::rowsMatchLrelease_data()
{
    QTest::addColumn<int>("row");
    for (int row = 1; row <= 17; ++row)
        QTest::newRow(qPrintable(QStringLiteral("row %1").arg(row))) << row;
}

void TestNumerusRules::rowsMatchLrelease()
{
    LEXORA_REQUIRE_TOOL("lrelease");
    QFETCH(int, row);
    QVERIFY(m_directory.isValid());

    const NumerusTableEntry &entry = numerusTable()[row - 1];
    const QStringList codes = codesOfRow(entry);
    QVERIFY2(!codes.isEmpty(), "no language of this row is known to QLocale");

    // One lrelease run compiles a .ts per language of the row into base.qm;
    // ours goes to base.ours.qm.
    QStringList tsFiles;
    for (const QString &code : codes) {
        TranslationCatalog catalog;
        catalog.setLanguage(code);
        catalog.appendMessage(message(QStringLiteral("ok"), code));
        const QString base = m_directory.filePath(QStringLiteral("rule_%1").arg(code));
        QVERIFY(PeerTools::writeCatalog(catalog, QStringLiteral("ts"), base + ".ts"));
        QVERIFY(PeerTools::writeCatalog(catalog, QStringLiteral("qm"), base + ".ours.qm"));
        QFile::remove(base + ".qm");
        tsFiles.append(base + ".ts");
    }
    const PeerTools::ToolResult result
        = PeerTools::runTool(QStringLiteral("lrelease"),
                             QStringList { "-idbased", "-nounfinished", "-silent" } + tsFiles);
    QVERIFY2(result.exitCode == 0, result.standardError.constData());

    for (const QString &code : codes) {
        const QString base = m_directory.filePath(QStringLiteral("rule_%1").arg(code));
        const QByteArray ours = readFile(base + ".ours.qm");
        const QByteArray peer = readFile(base + ".qm");
        QVERIFY2(peer.startsWith(PeerTools::qmMagic()), qPrintable(code));
        // A bare code may resolve to a territory that another row claims (pt is
        // Brazilian Portuguese); lrelease must still agree on every byte.
        const auto [language, territory] = languageAndTerritory(code);
        if (findNumerusRules(language, territory) == &entry)
            QCOMPARE(PeerTools::qmSection(ours, 0x88).toHex(' '), ruleBytes(entry).toHex(' '));
        QCOMPARE(ours.toHex(' '), peer.toHex(' '));
    }
}

void TestNumerusRules::pluralSelection_data()
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

void TestNumerusRules::pluralSelection()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, expectedForms);
    QVERIFY(m_directory.isValid());

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
    const QString ourPath = m_directory.filePath(QStringLiteral("plural_%1.qm").arg(code));
    {
        QFile file(ourPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(releaser.save(file));
    }
    QTranslator ours;
    QVERIFY(ours.load(ourPath));

    for (int n = 0; n < expectedForms.size(); ++n)
        QCOMPARE(ours.translate(nullptr, "files", nullptr, n),
                 QString(QLatin1Char(expectedForms[n])));

    // The same message compiled by lrelease must choose the same form for every
    // count, including the ranges where modulo rules repeat.
    if (PeerTools::toolPath(QStringLiteral("lrelease")).isEmpty())
        LEXORA_PEER_MISSING("Qt's lrelease is not installed (package qt6-l10n-tools)");
    QByteArray ts
        = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" "
          "language=\""
        + code.toUtf8()
        + "\">\n<context>\n    <name></name>\n    <message id=\"files\" numerus=\"yes\">\n"
          "        <translation>";
    for (const QString &form : forms)
        ts += "<numerusform>" + form.toUtf8() + "</numerusform>";
    ts += "</translation>\n    </message>\n</context>\n</TS>\n";
    const QString tsPath = m_directory.filePath(QStringLiteral("plural_%1.ts").arg(code));
    QVERIFY(writeFile(tsPath, ts));
    const QByteArray peerQm = PeerTools::lrelease(tsPath);
    QVERIFY2(!peerQm.isNull(), "lrelease failed");
    QCOMPARE(PeerTools::qmSection(peerQm, 0x88).toHex(' '), ruleBytes(*entry).toHex(' '));

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
