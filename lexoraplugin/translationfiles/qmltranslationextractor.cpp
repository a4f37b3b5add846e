#include "qmltranslationextractor.h"

#include "findtrcalls.h"
#include "translationcatalog.h"
#include "userfeedbackinterface.h"

#include <private/qqmljsast_p.h>
#include <private/qqmljsengine_p.h>
#include <private/qqmljslexer_p.h>
#include <private/qqmljsparser_p.h>

#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

namespace Lexora {

namespace {

// One block per diagnostic: "file:line:column: error: message", the source
// line and a caret under the column. The caret line copies tabs and other
// white space from the source so that the caret lines up however the
// reader's editor expands them.
QString parseErrorText(const QString &fileName,
                       const QString &code,
                       const QList<QQmlJS::DiagnosticMessage> &diagnostics)
{
    QStringList lines = code.split(QLatin1Char('\n'));
    // Errors at the very end of the file point one line past the last one.
    lines.append(QStringLiteral("\n"));

    QString text;
    for (const QQmlJS::DiagnosticMessage &diagnostic : diagnostics) {
        if (diagnostic.isWarning())
            continue;
        const qint64 line = diagnostic.loc.startLine;
        const qint64 column = diagnostic.loc.startColumn;
        text += fileName + QLatin1Char(':') + QString::number(line) + QLatin1Char(':')
            + QString::number(column) + QLatin1String(": error: ") + diagnostic.message
            + QLatin1Char('\n');

        const qsizetype index = std::clamp<qint64>(line - 1, 0, lines.size() - 1);
        const QString &sourceLine = lines.at(index);
        text += sourceLine + QLatin1Char('\n');
        const qsizetype caretColumn = std::clamp<qint64>(column - 1, 0, sourceLine.size());
        for (qsizetype i = 0; i < caretColumn; ++i) {
            const QChar c = sourceLine.at(i);
            text += c.isSpace() ? c : QLatin1Char(' ');
        }
        text += QLatin1String("^\n");
    }
    return text;
}

// The whole of the device as text, UTF-8 unless a byte-order mark says
// otherwise; the mark itself is dropped. A file reads until its end on every
// call, so a short read is the end, and asking again would only cost another
// system call per file on a project of thousands of files. Where the bytes
// were not valid in the encoding, `invalidPositions` receives the positions of
// the replacement characters that stand for them, in order.
QString readText(QIODevice &device, QList<qsizetype> &invalidPositions)
{
    QByteArray bytes;
    constexpr qint64 chunkSize = 16384;
    for (;;) {
        const qsizetype used = bytes.size();
        bytes.resize(used + chunkSize);
        const qint64 count = device.read(bytes.data() + used, chunkSize);
        bytes.resize(used + std::max<qint64>(count, 0));
        if (count <= 0 || (count < chunkSize && !device.isSequential()))
            break;
    }
    const QStringConverter::Encoding encoding
        = QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8);
    QStringDecoder decoder(encoding);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        // Decoded once more with NUL for what is invalid: where the two differ
        // is where the input was invalid, told apart from a U+FFFD the file
        // really holds.
        QStringDecoder marking(encoding, QStringConverter::Flag::ConvertInvalidToNull);
        const QString marked = marking(bytes);
        for (qsizetype i = 0; i < std::min(text.size(), marked.size()); ++i) {
            if (text.at(i) != marked.at(i))
                invalidPositions.append(i);
        }
    }
    return text;
}

} // namespace

bool loadQml(TranslationCatalog &catalog,
             QIODevice &device,
             const QString &fileName,
             UserFeedbackInterface *errorSink)
{
    QList<qsizetype> invalidPositions;
    const QString code = readText(device, invalidPositions);

    // JavaScript files that QML imports are read by the same rules; a .mjs
    // file is an ECMAScript module, which may use import and export.
    const bool module = fileName.endsWith(QLatin1String(".mjs"), Qt::CaseInsensitive);
    const bool script = module || fileName.endsWith(QLatin1String(".js"), Qt::CaseInsensitive);

    QQmlJS::Engine engine;
    QQmlJS::Lexer lexer(&engine);
    lexer.setCode(code, /*lineno*/ 1, /*qmlMode*/ !script);
    QQmlJS::Parser parser(&engine);

    const bool parsed = module ? parser.parseModule()
        : script               ? parser.parseProgram()
                               : parser.parse();
    if (!parsed) {
        const QString shownName = Support::printableFileName(fileName);
        QString text = parseErrorText(shownName, code, parser.diagnosticMessages());
        // A failure must never pass unnoticed, even if the parser gave no reason.
        if (text.isEmpty())
            text = shownName + QLatin1String(": error: Syntax error\n");
        if (errorSink)
            errorSink->addError(text);
        return false;
    }

    Support::FindTrCalls visitor(&engine, &catalog, errorSink, fileName);
    visitor.setInvalidTextPositions(invalidPositions);
    visitor.extract(parser.rootNode());
    return !visitor.depthExceeded() && !visitor.hasUndecodableIds();
}

} // namespace Lexora
