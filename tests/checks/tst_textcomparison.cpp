// Each check against texts as translators write them: rows that must be
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
    // "failedChecks" compares a primary text with its translation; the
    // building blocks read one text. "expected" is the result joined by '|'.
    void checks_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<QString>("expected");
        struct Row
        {
            const char *tag, *first, *second, *expected;
        };
        const auto rows = [](const char *function, std::initializer_list<Row> list) {
            for (const Row &row : list)
                QTest::addRow("%s: %s", function, row.tag)
                    << QString::fromLatin1(function) << QString::fromUtf8(row.first)
                    << QString::fromUtf8(row.second) << QString::fromUtf8(row.expected);
        };
        rows(
            "failedChecks",
            {
                // Place markers: the set counts, not the order.
                { "markers reordered in German", "Copy %1 to %2?", "%2: %1 hierhin kopieren?", "" },
                { "marker lost in French",
                  "Delete %1 files?",
                  "Supprimer les fichiers ?",
                  "placeholders" },
                { "marker renumbered", "Page %1 of %2", "Seite %1 von %3", "placeholders" },
                { "localized marker kept", "%L1 bytes free", "%L1 octets libres", "" },
                { "localized marker lost", "%L1 bytes free", "%1 octets libres", "placeholders" },
                { "plural marker lost",
                  "%n item(s) selected",
                  "Elemente ausgewählt",
                  "placeholders" },
                { "marker repeated", "%1 of %1", "%1 von %1", "" },
                { "percent sign is no marker", "100% done", "100 % terminé", "" },
                { "two-digit marker", "%10 and %1", "%1 und %10", "" },
                { "two-digit marker split", "Value %12", "Wert %1 2", "placeholders" },
                { "accelerator kept", "&Open", "Ö&ffnen", "" },
                { "accelerator lost", "&Save", "Speichern", "accelerators" },
                { "accelerator added", "Save", "&Speichern", "accelerators" },
                { "escaped ampersand is no accelerator", "Drag && Drop", "Glisser && déposer", "" },
                { "escaped ampersand against accelerator",
                  "Drag && Drop",
                  "Glisser &déposer",
                  "accelerators" },
                { "entity is no accelerator", "<b>Tom &amp; Jerry</b>", "<b>Tom et Jerry</b>", "" },
                { "ampersand before a blank", "Terms & Conditions", "AGB & Bedingungen", "" },
                { "trailing blank kept", "Name: ", "Nom : ", "" },
                { "trailing blank lost", "Name: ", "Nom :", "whitespace" },
                { "leading blank added", "Total", " Gesamt", "whitespace" },
                { "line break kept", "First line\nSecond line", "Erste Zeile\nZweite Zeile", "" },
                { "line break lost",
                  "First line\nSecond line",
                  "Erste Zeile Zweite Zeile",
                  "linebreaks" },
                { "CRLF counts once", "One\r\nTwo", "Eins\nZwei", "" },
                { "ellipsis forms are the same", "File...", "Datei…", "" },
                { "Japanese full stop", "Saved.", "保存しました。", "" },
                { "Chinese full-width question mark", "Quit now?", "现在退出？", "" },
                { "Japanese full-width colon", "Name:", "名前：", "" },
                { "question lost", "Are you sure?", "Sind Sie sicher", "punctuation" },
                { "colon became full stop", "Options:", "Optionen.", "punctuation" },
                { "exclamation added", "Done", "Fertig!", "punctuation" },
                { "ending inside markup", "<b>Done.</b>", "<b>Fertig</b>", "punctuation" },
                { "ending before closing tag kept", "<i>Really?</i>", "<i>Wirklich?</i>", "" },
                { "bold kept", "<b>Warning</b>: disk full", "<b>Achtung</b>: Festplatte voll", "" },
                { "bold lost", "<b>Warning</b>: disk full", "Achtung: Festplatte voll", "markup" },
                { "break spelled differently",
                  "Line one<br/>line two",
                  "Zeile eins<BR />Zeile zwei",
                  "" },
                { "link to translated page",
                  "See <a href=\"https://example.org/en/help\">help</a>.",
                  "Siehe <a href=\"https://example.org/de/hilfe\">Hilfe</a>.",
                  "" },
                { "link lost",
                  "See <a href=\"https://example.org/help\">help</a>.",
                  "Siehe Hilfe.",
                  "markup" },
                { "comparison is no tag", "a < b and c > d", "a < b und c > d", "" },
                { "untranslated", "Settings", "Settings", "identical" },
                { "same word in both languages", "Start", "Start", "identical" },
                { "number only", "100", "100", "" },
                { "paper size in inches",
                  "Fan-fold German (8.5 x 12 in)",
                  "Fan-fold German (8.5 x 12 in)",
                  "" },
                { "in after a marker is a word", "%1 in %2", "%1 in %2", "identical" },
                { "markers and signs only", "%1 / %2", "%1 / %2", "" },
                { "localized marker holds no letter", "%L1 %", "%L1 %", "" },
                { "tags hold no letters", "<b>42</b>", "<b>42</b>", "" },
                { "translated", "Settings", "Einstellungen", "" },
                // Several faults at once, reported in a fixed order.
                { "everything lost",
                  "&Delete %1?\n",
                  "Löschen",
                  "placeholders|accelerators|whitespace|linebreaks|punctuation" },
            });
        rows("placeMarkers",
             { { "none", "Hello", "", "" },
               { "sorted and unique", "%2 %1 %2", "", "%1|%2" },
               { "localized and plural", "%Ln files, %L2 MB", "", "%L2|%Ln" },
               { "highest marker", "%99", "", "%99" },
               { "three digits are a percentage", "%100", "", "" },
               { "zero is no marker", "%0 %L", "", "" },
               { "percent at the end", "50%", "", "" } });
        rows("endingMark",
             { { "none", "Open", "", "" },
               { "three dots", "Open...", "", "…" },
               { "ellipsis", "Öffnen…", "", "…" },
               { "ideographic full stop", "完了。", "", "." },
               { "full-width exclamation", "完了！", "", "!" },
               { "Arabic question mark", "هل أنت متأكد؟", "", "?" },
               { "trailing blank skipped", "Name: ", "", ":" },
               { "closing tags skipped", "<p><b>Stop!</b></p>", "", "!" },
               { "only tags", "<br/>", "", "" } });
        rows("markupTags",
             { { "none", "x < y", "", "" },
               { "case and blanks", "<B>bold</B><Br / >", "", "</b>|<b>|<br/>" },
               { "attribute values dropped",
                 "<a href='x' target=_blank>link</a>",
                 "",
                 "</a>|<a href target>" },
               { "unterminated tag is text", "<b oops", "", "" } });
        rows("hasLetters",
             { { "word", "OK", "", "1" },
               { "digits and signs", "12:30 - 13:45", "", "0" },
               { "plural marker", "%n", "", "0" },
               { "marker and letter", "%1 h", "", "1" },
               { "kanji", "漢字", "", "1" },
               { "ideograph beyond the BMP", "\xF0\xA0\x80\x8B", "", "1" },
               { "emoji", "\xF0\x9F\x98\x80", "", "0" } });
    }

    void checks()
    {
        QFETCH(QString, function);
        QFETCH(QString, text);
        QFETCH(QString, translation);
        QFETCH(QString, expected);
        QString actual;
        if (function == "failedChecks") {
            actual = TextComparison::failedChecks(text, translation).join(u'|');
        } else if (function == "placeMarkers") {
            actual = TextComparison::placeMarkers(text).join(u'|');
        } else if (function == "endingMark") {
            const QChar mark = TextComparison::endingMark(text);
            actual = mark.isNull() ? QString() : QString(mark);
        } else if (function == "markupTags") {
            actual = TextComparison::markupTags(text).join(u'|');
        } else {
            actual = QString::number(int(TextComparison::hasLetters(text)));
        }
        QCOMPARE(actual, expected);
    }
};

QTEST_GUILESS_MAIN(TestTextComparison)
#include "tst_textcomparison.moc"
