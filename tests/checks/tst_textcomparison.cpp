// Each check against texts as translators write them: one row that must be
// reported and rows that must not, so that a check that fires on everything
// fails as surely as one that never fires.

#include <checks/checkreport.h>
#include <checks/textcomparison.h>

#include <QTest>

using namespace Lexora;

class TestTextComparison : public QObject
{
    Q_OBJECT

private slots:
    void failedChecks_data();
    void failedChecks();
    void placeMarkers_data();
    void placeMarkers();
    void endingMark_data();
    void endingMark();
    void markupTags_data();
    void markupTags();
    void hasLetters_data();
    void hasLetters();
};

void TestTextComparison::failedChecks_data()
{
    QTest::addColumn<QString>("primary");
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    const QStringList placeholders { QLatin1String(CheckNames::placeholders) };
    const QStringList accelerators { QLatin1String(CheckNames::accelerators) };
    const QStringList whitespace { QLatin1String(CheckNames::whitespace) };
    const QStringList lineBreaks { QLatin1String(CheckNames::lineBreaks) };
    const QStringList punctuation { QLatin1String(CheckNames::punctuation) };
    const QStringList markup { QLatin1String(CheckNames::markup) };
    const QStringList identical { QLatin1String(CheckNames::identical) };

    // Place markers: the set counts, not the order.
    QTest::newRow("markers reordered in German") << "Copy %1 to %2?"
                                                 << "%2: %1 hierhin kopieren?" << none;
    QTest::newRow("marker lost in French") << "Delete %1 files?"
                                           << "Supprimer les fichiers ?" << placeholders;
    QTest::newRow("marker renumbered") << "Page %1 of %2"
                                       << "Seite %1 von %3" << placeholders;
    QTest::newRow("localized marker kept") << "%L1 bytes free"
                                           << "%L1 octets libres" << none;
    QTest::newRow("localized marker lost") << "%L1 bytes free"
                                           << "%1 octets libres" << placeholders;
    QTest::newRow("plural marker lost") << "%n item(s) selected"
                                        << "Elemente ausgewählt" << placeholders;
    QTest::newRow("marker repeated") << "%1 of %1"
                                     << "%1 von %1" << none;
    QTest::newRow("percent sign is no marker") << "100% done"
                                               << "100 % terminé" << none;
    QTest::newRow("two-digit marker") << "%10 and %1"
                                      << "%1 und %10" << none;
    QTest::newRow("two-digit marker split") << "Value %12"
                                            << "Wert %1 2" << placeholders;

    // Accelerators.
    QTest::newRow("accelerator kept") << "&Open"
                                      << "Ö&ffnen" << none;
    QTest::newRow("accelerator lost") << "&Save"
                                      << "Speichern" << accelerators;
    QTest::newRow("accelerator added") << "Save"
                                       << "&Speichern" << accelerators;
    QTest::newRow("escaped ampersand is no accelerator") << "Drag && Drop"
                                                         << "Glisser && déposer" << none;
    QTest::newRow("escaped ampersand against accelerator") << "Drag && Drop"
                                                           << "Glisser &déposer" << accelerators;
    QTest::newRow("entity is no accelerator") << "<b>Tom &amp; Jerry</b>"
                                              << "<b>Tom et Jerry</b>" << none;
    QTest::newRow("ampersand before a blank") << "Terms & Conditions"
                                              << "AGB & Bedingungen" << none;

    // White space and line breaks.
    QTest::newRow("trailing blank kept") << "Name: "
                                         << "Nom : " << none;
    QTest::newRow("trailing blank lost") << "Name: "
                                         << "Nom :" << whitespace;
    QTest::newRow("leading blank added") << "Total"
                                         << " Gesamt" << whitespace;
    QTest::newRow("line break kept") << "First line\nSecond line"
                                     << "Erste Zeile\nZweite Zeile" << none;
    QTest::newRow("line break lost") << "First line\nSecond line"
                                     << "Erste Zeile Zweite Zeile" << lineBreaks;
    QTest::newRow("CRLF counts once") << "One\r\nTwo"
                                      << "Eins\nZwei" << none;

    // Ending punctuation.
    QTest::newRow("ellipsis forms are the same") << "File..."
                                                 << "Datei…" << none;
    QTest::newRow("Japanese full stop") << "Saved."
                                        << "保存しました。" << none;
    QTest::newRow("Chinese full-width question mark") << "Quit now?"
                                                      << "现在退出？" << none;
    QTest::newRow("Japanese full-width colon") << "Name:"
                                               << "名前：" << none;
    QTest::newRow("question lost") << "Are you sure?"
                                   << "Sind Sie sicher" << punctuation;
    QTest::newRow("colon became full stop") << "Options:"
                                            << "Optionen." << punctuation;
    QTest::newRow("exclamation added") << "Done"
                                       << "Fertig!" << punctuation;
    QTest::newRow("ending inside markup") << "<b>Done.</b>"
                                          << "<b>Fertig</b>" << punctuation;
    QTest::newRow("ending before closing tag kept") << "<i>Really?</i>"
                                                    << "<i>Wirklich?</i>" << none;

    // Markup.
    QTest::newRow("bold kept") << "<b>Warning</b>: disk full"
                               << "<b>Achtung</b>: Festplatte voll" << none;
    QTest::newRow("bold lost") << "<b>Warning</b>: disk full"
                               << "Achtung: Festplatte voll" << markup;
    QTest::newRow("break spelled differently") << "Line one<br/>line two"
                                               << "Zeile eins<BR />Zeile zwei" << none;
    QTest::newRow("link to translated page")
        << "See <a href=\"https://example.org/en/help\">help</a>."
        << "Siehe <a href=\"https://example.org/de/hilfe\">Hilfe</a>." << none;
    QTest::newRow("link lost") << "See <a href=\"https://example.org/help\">help</a>."
                               << "Siehe Hilfe." << markup;
    QTest::newRow("comparison is no tag") << "a < b and c > d"
                                          << "a < b und c > d" << none;

    // Identical texts.
    QTest::newRow("untranslated") << "Settings"
                                  << "Settings" << identical;
    QTest::newRow("same word in both languages") << "Start"
                                                 << "Start" << identical;
    QTest::newRow("number only") << "100"
                                 << "100" << none;
    QTest::newRow("markers and signs only") << "%1 / %2"
                                            << "%1 / %2" << none;
    QTest::newRow("localized marker holds no letter") << "%L1 %"
                                                      << "%L1 %" << none;
    QTest::newRow("tags hold no letters") << "<b>42</b>"
                                          << "<b>42</b>" << none;
    QTest::newRow("translated") << "Settings"
                                << "Einstellungen" << none;

    // Several faults at once, reported in a fixed order.
    QTest::newRow("everything lost") << "&Delete %1?\n"
                                     << "Löschen"
                                     << QStringList { QLatin1String(CheckNames::placeholders),
                                                      QLatin1String(CheckNames::accelerators),
                                                      QLatin1String(CheckNames::whitespace),
                                                      QLatin1String(CheckNames::lineBreaks),
                                                      QLatin1String(CheckNames::punctuation) };
}

void TestTextComparison::failedChecks()
{
    QFETCH(QString, primary);
    QFETCH(QString, translation);
    QFETCH(QStringList, expected);
    QCOMPARE(TextComparison::failedChecks(primary, translation), expected);
}

void TestTextComparison::placeMarkers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("markers");

    QTest::newRow("none") << "Hello" << QStringList {};
    QTest::newRow("sorted and unique") << "%2 %1 %2" << QStringList { "%1", "%2" };
    QTest::newRow("localized and plural") << "%Ln files, %L2 MB" << QStringList { "%L2", "%Ln" };
    QTest::newRow("highest marker") << "%99" << QStringList { "%99" };
    QTest::newRow("three digits are a percentage") << "%100" << QStringList {};
    QTest::newRow("zero is no marker") << "%0 %L" << QStringList {};
    QTest::newRow("percent at the end") << "50%" << QStringList {};
}

void TestTextComparison::placeMarkers()
{
    QFETCH(QString, text);
    QFETCH(QStringList, markers);
    QCOMPARE(TextComparison::placeMarkers(text), markers);
}

void TestTextComparison::endingMark_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mark");

    QTest::newRow("none") << "Open" << QString();
    QTest::newRow("three dots") << "Open..." << QString(QChar(0x2026));
    QTest::newRow("ellipsis") << "Öffnen…" << QString(QChar(0x2026));
    QTest::newRow("ideographic full stop") << "完了。"
                                           << ".";
    QTest::newRow("full-width exclamation") << "完了！"
                                            << "!";
    QTest::newRow("Arabic question mark") << "هل أنت متأكد؟"
                                          << "?";
    QTest::newRow("trailing blank skipped") << "Name: "
                                            << ":";
    QTest::newRow("closing tags skipped") << "<p><b>Stop!</b></p>"
                                          << "!";
    QTest::newRow("only tags") << "<br/>" << QString();
}

void TestTextComparison::endingMark()
{
    QFETCH(QString, text);
    QFETCH(QString, mark);
    const QChar actual = TextComparison::endingMark(text);
    QCOMPARE(actual.isNull() ? QString() : QString(actual), mark);
}

void TestTextComparison::markupTags_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tags");

    QTest::newRow("none") << "x < y" << QStringList {};
    QTest::newRow("case and blanks")
        << "<B>bold</B><Br / >" << QStringList { "</b>", "<b>", "<br/>" };
    QTest::newRow("attribute values dropped")
        << "<a href='x' target=_blank>link</a>" << QStringList { "</a>", "<a href target>" };
    QTest::newRow("unterminated tag is text") << "<b oops" << QStringList {};
}

void TestTextComparison::markupTags()
{
    QFETCH(QString, text);
    QFETCH(QStringList, tags);
    QCOMPARE(TextComparison::markupTags(text), tags);
}

void TestTextComparison::hasLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("letters");

    QTest::newRow("word") << "OK" << true;
    QTest::newRow("digits and signs") << "12:30 - 13:45" << false;
    QTest::newRow("plural marker") << "%n" << false;
    QTest::newRow("marker and letter") << "%1 h" << true;
    QTest::newRow("kanji") << "漢字" << true;
    QTest::newRow("ideograph beyond the BMP") << QString::fromUtf8("\xF0\xA0\x80\x8B") << true;
    QTest::newRow("emoji") << QString::fromUtf8("\xF0\x9F\x98\x80") << false;
}

void TestTextComparison::hasLetters()
{
    QFETCH(QString, text);
    QFETCH(bool, letters);
    QCOMPARE(TextComparison::hasLetters(text), letters);
}

QTEST_GUILESS_MAIN(TestTextComparison)
#include "tst_textcomparison.moc"
