#include "findtrcalls.h"

#include "translationcatalog.h"
#include "translationfunction.h"
#include "userfeedbackinterface.h"

#include <private/qqmljsast_p.h>
#include <private/qqmljsengine_p.h>

#include <QCoreApplication>
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
        appendMetaIdMessage(name, line, argumentAt(arguments, 1));
        return;
    }
    case TranslationFunction::QsTranslate:
    case TranslationFunction::TranslateNoop: {
        if (!arguments || !arguments->next) {
            reportFileError(line, lupdateText("%1() requires at least two arguments.\n").arg(name));
            return;
        }
        if (!stringArgument(arguments->expression)
            || !stringArgument(arguments->next->expression)) {
            return;
        }
        appendMetaIdMessage(name, line, argumentAt(arguments, 2));
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
        m_catalog->appendMessage(std::move(message));
        consumeMetaData();
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
// //% text is reported and dropped.
void FindTrCalls::appendMetaIdMessage(const QString &name,
                                      int line,
                                      ExpressionNode *commentArgument)
{
    if (!m_metaSourceText.isEmpty())
        reportFileError(line, lupdateText("//% cannot be used with %1(). Ignoring\n").arg(name));

    CatalogMessage message;
    message.id = m_metaId;
    if (commentArgument)
        message.translatorComment = stringArgument(commentArgument).value_or(QString());
    m_catalog->appendMessage(std::move(message));
    consumeMetaData();
}

void FindTrCalls::consumeMetaData()
{
    m_extraComment.clear();
    m_metaId.clear();
    m_metaSourceText.clear();
}

bool FindTrCalls::hasMetaData() const
{
    return !m_metaSourceText.isEmpty() || !m_extraComment.isEmpty() || !m_metaId.isEmpty();
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
