#include "findtrcalls.h"

#include "translationcatalog.h"
#include "translationfunction.h"
#include "userfeedbackinterface.h"

#include <private/qqmljsast_p.h>
#include <private/qqmljsengine_p.h>
#include <private/qtools_p.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QVarLengthArray>

#include <algorithm>
#include <optional>

using namespace QQmlJS;
using namespace QQmlJS::AST;

namespace Lexora::Support {

namespace {

const QLatin1StringView translatorMagicComment("TRANSLATOR");

bool isAsciiSpace(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
        return true;
    default:
        return false;
    }
}

// A literal or a '+' of two such operands, to any depth; its value is the
// concatenation of the literals. Written without recursion: a generated file
// may chain far more additions than the call stack could take.
std::optional<QString> stringArgument(ExpressionNode *expression)
{
    QString value;
    QVarLengthArray<ExpressionNode *, 16> stack;
    stack.append(expression);
    while (!stack.isEmpty()) {
        ExpressionNode *current = stack.last();
        stack.removeLast();
        if (auto *literal = cast<StringLiteral *>(current)) {
            value += literal->value;
            continue;
        }
        auto *binary = cast<BinaryExpression *>(current);
        if (!binary || binary->op != QSOperator::Add || !binary->left || !binary->right)
            return std::nullopt;
        // The right operand goes first so the left one is taken next.
        stack.append(binary->right);
        stack.append(binary->left);
    }
    return value;
}

ExpressionNode *argumentAt(ArgumentList *arguments, int index)
{
    for (; arguments && index > 0; --index)
        arguments = arguments->next;
    return arguments ? arguments->expression : nullptr;
}

// A //% text keeps its backslash escapes while it is collected; the message
// gets the text they stand for, as C spells escapes.
QString unescapedMetaString(const QString &text)
{
    if (!text.contains(QLatin1Char('\\')))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            result += c;
            continue;
        }
        const char16_t next = text.at(++i).unicode();
        switch (next) {
        case u'a':
            result += QLatin1Char('\a');
            break;
        case u'b':
            result += QLatin1Char('\b');
            break;
        case u'f':
            result += QLatin1Char('\f');
            break;
        case u'n':
            result += QLatin1Char('\n');
            break;
        case u'r':
            result += QLatin1Char('\r');
            break;
        case u't':
            result += QLatin1Char('\t');
            break;
        case u'v':
            result += QLatin1Char('\v');
            break;
        case u'x': {
            char32_t value = 0;
            qsizetype end = i + 1;
            for (; end < text.size() && end - i <= 8; ++end) {
                const int digit = QtMiscUtils::fromHex(text.at(end).unicode());
                if (digit < 0)
                    break;
                value = value * 16 + char32_t(digit);
            }
            if (end == i + 1) {
                result += QLatin1Char('x');
                break;
            }
            result += QString::fromUcs4(&value, 1);
            i = end - 1;
            break;
        }
        default:
            if (next >= u'0' && next <= u'7') {
                char32_t value = 0;
                qsizetype end = i;
                for (; end < text.size() && end - i < 3 && text.at(end) >= QLatin1Char('0')
                     && text.at(end) <= QLatin1Char('7');
                     ++end)
                    value = value * 8 + (text.at(end).unicode() - u'0');
                result += QString::fromUcs4(&value, 1);
                i = end - 1;
            } else {
                result += QChar(next);
            }
        }
    }
    return result;
}

QString lupdateText(const char *text)
{
    return QCoreApplication::translate("LUpdate", text);
}

} // namespace

QString printableFileName(const QString &fileName)
{
    QString text;
    text.reserve(fileName.size());
    for (const QChar c : fileName) {
        const char16_t unit = c.unicode();
        if (unit < 0x20 || unit == 0x7f || (unit >= 0x80 && unit < 0xa0))
            text += QStringLiteral("\\x%1").arg(unsigned(unit), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

FindTrCalls::FindTrCalls(Engine *engine,
                         TranslationCatalog *catalog,
                         UserFeedbackInterface *errorSink,
                         const QString &fileName)
    : m_engine(engine),
      m_catalog(catalog),
      m_errorSink(errorSink),
      m_fileName(fileName),
      m_pendingComments(engine->comments())
{ }

void FindTrCalls::extract(Node *root)
{
    Node::accept(root, this);
    processComments(0, true);
}

void FindTrCalls::postVisit(Node *node)
{
    if (!node->statementCast() && !node->uiObjectMemberCast())
        return;

    const SourceLocation last = node->lastSourceLocation();
    processComments(last.end());
    if (hasMetaData()) {
        reportFileError(int(last.startLine), lupdateText("Discarding unconsumed meta data\n"));
        consumeMetaData();
    }
}

void FindTrCalls::throwRecursionDepthError()
{
    // The IDs below the skipped subtree are lost, so this is an error of the
    // file like a syntax error, reported once per file; the caller learns of it
    // through depthExceeded().
    if (m_depthExceeded)
        return;
    m_depthExceeded = true;
    if (m_errorSink) {
        m_errorSink->addError(printableFileName(m_fileName) + QLatin1String(": ")
                              + lupdateText("Maximum statement or expression depth exceeded"));
    }
}

void FindTrCalls::endVisit(CallExpression *node)
{
    QString suffix;
    ExpressionNode *base = node->base;
    while (auto *member = cast<FieldMemberExpression *>(base)) {
        suffix.prepend(member->name);
        suffix.prepend(QLatin1Char('.'));
        base = member->base;
    }
    auto *identifier = cast<IdentifierExpression *>(base);
    if (!identifier)
        return;

    const QString name = identifier->name.toString() + suffix;
    const SourceLocation &location = identifier->identifierToken;
    processComments(location.begin());

    const std::optional<TranslationFunction> function = lookupTranslationFunction(name);
    if (!function)
        return;

    const int line = int(location.startLine);
    ArgumentList *arguments = node->arguments;

    switch (*function) {
    case TranslationFunction::QsTr:
    case TranslationFunction::TrNoop: {
        if (!arguments) {
            reportFileError(line, lupdateText("%1() requires at least one argument.\n").arg(name));
            return;
        }
        if (cast<TemplateLiteral *>(arguments->expression)) {
            reportFileError(
                line,
                lupdateText("%1() cannot be used with template literals. Ignoring\n").arg(name));
            return;
        }
        if (!stringArgument(arguments->expression))
            return;
        // lupdate's context of a QML or JavaScript file's qsTr calls.
        appendMetaIdMessage(name, line, QFileInfo(m_fileName).baseName(), arguments);
        return;
    }
    case TranslationFunction::QsTranslate:
    case TranslationFunction::TranslateNoop: {
        if (!arguments || !arguments->next) {
            reportFileError(line, lupdateText("%1() requires at least two arguments.\n").arg(name));
            return;
        }
        const std::optional<QString> context = stringArgument(arguments->expression);
        if (!context || !stringArgument(arguments->next->expression))
            return;
        appendMetaIdMessage(name, line, *context, arguments->next);
        return;
    }
    case TranslationFunction::QsTrId:
    case TranslationFunction::TrIdNoop: {
        if (!arguments) {
            reportFileError(line, lupdateText("%1() requires at least one argument.\n").arg(name));
            return;
        }
        std::optional<QString> id = stringArgument(arguments->expression);
        if (!id)
            return;
        if (isUndecodable(arguments->expression->firstSourceLocation().begin(),
                          arguments->expression->lastSourceLocation().end(),
                          line)) {
            return;
        }
        if (!m_metaId.isEmpty()) {
            // The ID is the argument; a second one from a comment would be
            // ambiguous. The meta data stays for the end of the statement.
            reportFileError(line,
                            lupdateText("//= cannot be used with %1(). Ignoring\n").arg(name));
            return;
        }

        CatalogMessage message;
        message.id = std::move(*id);
        // The count follows the ID; the no-op marker takes none.
        message.plural = *function == TranslationFunction::QsTrId && arguments->next;
        message.sourceText = unescapedMetaString(m_metaSourceText);
        takeMetaData(message);
        m_catalog->appendMessage(std::move(message));
        return;
    }
    default:
        return;
    }
}

void FindTrCalls::processComments(quint32 offset, bool flush)
{
    while (m_nextComment < m_pendingComments.size()) {
        const SourceLocation &location = m_pendingComments.at(m_nextComment);
        if (!flush && location.begin() >= offset)
            break;
        ++m_nextComment;
        processComment(location);
    }
}

void FindTrCalls::processComment(const SourceLocation &location)
{
    const QStringView text = QStringView(m_engine->code()).mid(location.begin(), location.length);
    if (text.isEmpty())
        return;

    const QChar first = text.at(0);
    const bool spaceFollows = text.size() > 1 && text.at(1).isSpace();
    if (first == QLatin1Char(':') && spaceFollows) {
        if (!m_extraComment.isEmpty())
            m_extraComment += QLatin1Char(' ');
        m_extraComment += text.mid(2);
        return;
    }
    if (first == QLatin1Char('=') && spaceFollows) {
        if (!isUndecodable(location.begin(), location.end(), int(location.startLine)))
            m_metaId = text.mid(2).toString().simplified();
        return;
    }
    if (first == QLatin1Char('%') && spaceFollows) {
        parseMetaString(text.mid(2), int(location.startLine));
        return;
    }
    if (first == QLatin1Char('~') && spaceFollows) {
        // A key without a value says nothing and is dropped.
        const QStringView pair = text.mid(2).trimmed();
        const qsizetype space = pair.indexOf(QLatin1Char(' '));
        if (space > 0)
            m_extras.insert(pair.left(space).toString(), pair.mid(space + 1).trimmed().toString());
        return;
    }

    qsizetype start = 0;
    if (first != QLatin1Char(':') && first != QLatin1Char('=') && first != QLatin1Char('%')) {
        while (start < text.size()) {
            const char16_t c = text.at(start).unicode();
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
                break;
            ++start;
        }
    }
    const QStringView body = text.mid(start);
    if (!body.startsWith(translatorMagicComment))
        return;

    const QString rest = body.mid(translatorMagicComment.size()).toString().simplified();
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    if (space < 0)
        return;

    CatalogMessage message;
    message.translatorComment = rest.mid(space + 1);
    message.type = CatalogMessage::Finished;
    m_catalog->appendMessage(std::move(message));
    m_extraComment.clear();
}

void FindTrCalls::parseMetaString(QStringView text, int line)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (;;) {
        while (i < size && isAsciiSpace(text.at(i)))
            ++i;
        if (i == size)
            return;
        if (text.at(i) != QLatin1Char('"')) {
            reportFileError(line, lupdateText("Unexpected character in meta string\n"));
            return;
        }
        ++i;
        for (;;) {
            if (i == size) {
                reportFileError(line, lupdateText("Unterminated meta string\n"));
                return;
            }
            const QChar c = text.at(i++);
            if (c == QLatin1Char('"'))
                break;
            if (c == QLatin1Char('\\')) {
                if (i == size || text.at(i) == QLatin1Char('\r')
                    || text.at(i) == QLatin1Char('\n')) {
                    reportFileError(line, lupdateText("Unterminated meta string\n"));
                    return;
                }
                m_metaSourceText += c;
                m_metaSourceText += text.at(i++);
                continue;
            }
            m_metaSourceText += c;
        }
    }
}

// qsTr and qsTranslate calls carry no ID of their own: the message takes the ID
// of a preceding //= comment, or none. Their source text is the argument, so a
// //% text is reported and dropped; the comment and the count follow it.
void FindTrCalls::appendMetaIdMessage(const QString &name,
                                      int line,
                                      const QString &context,
                                      ArgumentList *sourceArgument)
{
    if (!m_metaSourceText.isEmpty())
        reportFileError(line, lupdateText("//% cannot be used with %1(). Ignoring\n").arg(name));

    CatalogMessage message;
    message.id = m_metaId;
    message.sourceText = stringArgument(sourceArgument->expression).value_or(QString());
    if (ExpressionNode *commentArgument = argumentAt(sourceArgument, 1))
        message.translatorComment = stringArgument(commentArgument).value_or(QString());
    if (message.id.isEmpty()) {
        message.withoutIdKey = context + QChar(u'\x04') + message.sourceText + QChar(u'\x04')
            + message.translatorComment;
    }
    message.plural = argumentAt(sourceArgument, 2) != nullptr;
    takeMetaData(message);
    m_catalog->appendMessage(std::move(message));
}

void FindTrCalls::takeMetaData(CatalogMessage &message)
{
    // lupdate joins the comment's lines into one, white space collapsed.
    message.extraComment = m_extraComment.simplified();
    message.extras = std::move(m_extras);
    consumeMetaData();
}

void FindTrCalls::consumeMetaData()
{
    m_extraComment.clear();
    m_metaId.clear();
    m_metaSourceText.clear();
    m_extras.clear();
}

bool FindTrCalls::hasMetaData() const
{
    return !m_metaSourceText.isEmpty() || !m_extraComment.isEmpty() || !m_metaId.isEmpty()
        || !m_extras.isEmpty();
}

bool FindTrCalls::isUndecodable(quint32 begin, quint32 end, int line)
{
    const auto invalid
        = std::lower_bound(m_invalidPositions.cbegin(), m_invalidPositions.cend(), begin);
    if (invalid == m_invalidPositions.cend() || *invalid >= end)
        return false;
    m_undecodableIds = true;
    reportFileError(line,
                    QCoreApplication::translate("Lexora",
                                                "The translation ID holds bytes that are not "
                                                "valid UTF-8; it was left out."));
    return true;
}

void FindTrCalls::reportFileError(int line, const QString &message) const
{
    if (m_errorSink)
        m_errorSink->addFileError(m_fileName, line, message);
}

} // namespace Lexora::Support
