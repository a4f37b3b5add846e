#pragma once

#include <QByteArray>
#include <QColor>
#include <QJsonDocument>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace Lexora {

class DatabaseIoInterface;

// What becomes of a test run's result JSON: screen metadata in the database,
// a report file grouping the findings per component, and the counts a
// pipeline prints. The translations view and the command-line tool share it.
class TranslationTestResults
{
public:
    // Findings of one component and state in one result; of one language
    // when `language` is set, else of every tested language together.
    struct Finding
    {
        QString componentPath;
        QString translationId;
        QString state;
        int line = 0;
        int column = 0;
        bool missing = false;
        bool exceeds = false;
        QString language;
        // The text as the preview showed it in `language`.
        QString text;
        // Where the item lies on a rendered screen. The preview reports no
        // geometry, so it is empty until a renderer of the screen fills it.
        QRectF rect;
    };

    // Stores the result as screen metadata; does nothing without a database.
    // Raises the SQLite wrapper's exceptions.
    static void storeScreenMetaData(DatabaseIoInterface *database, const QByteArray &resultJson);

    // The report: {"components": [{"componentPath", "errors": [{"errorType", "line",
    // "column", "language", "state", "translationId", "text"}]}]}, one component per
    // run of consecutive records of a path, one error per language that has a
    // finding (a result without languages gives one error per record, with
    // empty "language" and "text").
    static QJsonDocument report(const QByteArray &resultJson);
    // Replaces the file with report(), indented; false (with the reason in
    // `errorString` and on the log) when the data did not reach the file or
    // the file is a link that leads out of its directory.
    static bool writeReport(const QString &filePath,
                            const QByteArray &resultJson,
                            QString *errorString = nullptr);

    // Every record with a finding, in result order.
    static QList<Finding> findings(const QByteArray &resultJson);
    // Every record in every tested language, with a finding or without, in
    // result order and the run's language order. A result without languages
    // gives one finding per record, of every language together.
    static QList<Finding> languageFindings(const QByteArray &resultJson);
    // The codes of the languages a result was tested in, in run order.
    static QStringList testedLanguages(const QByteArray &resultJson);

    // Where the tested texts of one file are and the colour of their frame:
    // `missingColor` for a missing translation (even if the text is also
    // elided), `elideColor` for an elided text, `plainColor` otherwise. Line
    // and column are the service's, both counted from 1.
    struct Frame
    {
        int line = 0;
        int column = 0;
        QColor color;
        // The ID, the finding in the shown language and the languages that
        // have each finding.
        QString toolTip;
    };
    // The frames of what `language` shows. A result that was not tested in
    // `language` (or an empty one) gives the frames of every language together.
    static QList<Frame> frames(const QByteArray &resultJson,
                               const QString &filePath,
                               const QString &language,
                               const QColor &plainColor,
                               const QColor &missingColor,
                               const QColor &elideColor);
};

} // namespace Lexora
