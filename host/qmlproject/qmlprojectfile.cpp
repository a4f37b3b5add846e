#include "qmlprojectfile.h"

#include <private/qqmljsast_p.h>
#include <private/qqmljsengine_p.h>
#include <private/qqmljsgrammar_p.h>
#include <private/qqmljslexer_p.h>
#include <private/qqmljsparser_p.h>

#include <utils/qmlast.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace Host::QmlProject {

using namespace QQmlJS;

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Host::QmlProject::DesignProjectFile", text);
}

using Host::Utils::QmlAst::qualifiedName;

// A literal, or an array of literals (a list of strings where all are strings).
QVariant literalValue(AST::ExpressionNode *expression)
{
    if (auto *array = AST::cast<AST::ArrayPattern *>(expression)) {
        QVariantList values;
        bool allStrings = true;
        for (AST::PatternElementList *it = array->elements; it; it = it->next) {
            if (it->elision || !it->element || it->element->bindingTarget)
                return {};
            const QVariant value = literalValue(it->element->initializer);
            if (!value.isValid())
                return {};
            allStrings = allStrings && value.typeId() == QMetaType::QString;
            values.append(value);
        }
        if (allStrings) {
            QStringList strings;
            for (const QVariant &value : std::as_const(values))
                strings.append(value.toString());
            return strings;
        }
        return values;
    }
    return Utils::QmlAst::literalValue(expression);
}

QmlProjectFile::Property makeProperty(const QString &text,
                                      const QString &name,
                                      const SourceLocation &first,
                                      const SourceLocation &last,
                                      const QVariant &value)
{
    QmlProjectFile::Property property;
    property.name = name;
    property.offset = int(first.offset);
    property.length = int(last.offset + last.length - first.offset);
    property.source = text.mid(property.offset, property.length);
    property.value = value;
    return property;
}

// Whether the text holds an object at all. Telling "no root element" from a
// syntax error needs the tokens: the parser only reports what it expected next.
bool hasObjectBody(const QString &text)
{
    Engine engine;
    Lexer lexer(&engine);
    lexer.setCode(text, 1, true);
    for (int token = lexer.lex(); token != QQmlJSGrammar::EOF_SYMBOL; token = lexer.lex()) {
        if (token == QQmlJSGrammar::T_LBRACE)
            return true;
        if (token == QQmlJSGrammar::T_ERROR)
            return true; // let the parser describe the problem
    }
    return false;
}

// Whether something other than a separator, the element's end or a comment
// follows `position` on its line.
bool followedOnItsLine(const QString &text, qsizetype position)
{
    while (position < text.size()
           && (text.at(position) == QLatin1Char(' ') || text.at(position) == QLatin1Char('\t')))
        ++position;
    if (position == text.size())
        return false;
    const QChar next = text.at(position);
    return next != QLatin1Char(';') && next != QLatin1Char('}') && next != QLatin1Char('\n')
        && next != QLatin1Char('\r') && next != QLatin1Char('/');
}

// The line end the file uses, so that an added line matches its neighbours
// (CR-only files exist, written by old Mac editors).
QString lineEndOf(const QString &text)
{
    const auto end = std::find_if(text.begin(), text.end(), [](QChar character) {
        return character == QLatin1Char('\r') || character == QLatin1Char('\n');
    });
    if (end == text.end() || *end == QLatin1Char('\n'))
        return QStringLiteral("\n");
    if (end + 1 != text.end() && *(end + 1) == QLatin1Char('\n'))
        return QStringLiteral("\r\n");
    return QStringLiteral("\r");
}

qsizetype lineStartBefore(const QString &text, qsizetype position)
{
    if (position <= 0)
        return 0;
    return std::max(text.lastIndexOf(QLatin1Char('\n'), position - 1),
                    text.lastIndexOf(QLatin1Char('\r'), position - 1))
        + 1;
}

bool sameProperties(const QList<QmlProjectFile::Property> &a,
                    const QList<QmlProjectFile::Property> &b)
{
    // Offsets move with any edit; what a binding says does not.
    return std::equal(a.begin(),
                      a.end(),
                      b.begin(),
                      b.end(),
                      [](const QmlProjectFile::Property &x, const QmlProjectFile::Property &y) {
                          return x.name == y.name && x.source == y.source && x.value == y.value;
                      });
}

bool sameElements(const QList<QmlProjectFile::Element> &a, const QList<QmlProjectFile::Element> &b)
{
    return std::equal(a.begin(),
                      a.end(),
                      b.begin(),
                      b.end(),
                      [](const QmlProjectFile::Element &x, const QmlProjectFile::Element &y) {
                          return x.typeName == y.typeName
                              && sameProperties(x.properties, y.properties)
                              && sameElements(x.children, y.children);
                      });
}

QList<QmlProjectFile::Property> withoutName(const QList<QmlProjectFile::Property> &properties,
                                            const QString &name)
{
    QList<QmlProjectFile::Property> kept;
    for (const QmlProjectFile::Property &property : properties) {
        if (property.name != name)
            kept.append(property);
    }
    return kept;
}

QmlProjectFile::Element readElement(const QString &text,
                                    AST::UiObjectDefinition *definition,
                                    QList<QmlProjectFile::Property> *bindings)
{
    QmlProjectFile::Element element;
    element.typeName = qualifiedName(definition->qualifiedTypeNameId);
    if (!definition->initializer)
        return element;
    for (AST::UiObjectMemberList *it = definition->initializer->members; it; it = it->next) {
        AST::UiObjectMember *member = it->member;
        if (auto *binding = AST::cast<AST::UiScriptBinding *>(member)) {
            const QString name = qualifiedName(binding->qualifiedId);
            QmlProjectFile::Property property;
            if (auto *statement = AST::cast<AST::ExpressionStatement *>(binding->statement)) {
                property = makeProperty(text,
                                        name,
                                        statement->expression->firstSourceLocation(),
                                        statement->expression->lastSourceLocation(),
                                        literalValue(statement->expression));
            } else if (binding->statement) {
                property = makeProperty(text,
                                        name,
                                        binding->statement->firstSourceLocation(),
                                        binding->statement->lastSourceLocation(),
                                        {});
            } else {
                continue;
            }
            bindings->append(property);
            // QML itself rejects a second binding of one property; we read the first.
            if (!element.property(name))
                element.properties.append(property);
        } else if (auto *arrayBinding = AST::cast<AST::UiArrayBinding *>(member)) {
            const QmlProjectFile::Property property
                = makeProperty(text,
                               qualifiedName(arrayBinding->qualifiedId),
                               arrayBinding->lbracketToken,
                               arrayBinding->rbracketToken,
                               {});
            bindings->append(property);
            if (!element.property(property.name))
                element.properties.append(property);
        } else if (auto *child = AST::cast<AST::UiObjectDefinition *>(member)) {
            QList<QmlProjectFile::Property> ignored;
            element.children.append(readElement(text, child, &ignored));
        }
        // Property declarations, signal handlers with objects and the like mean
        // nothing in a project file; they are left alone.
    }
    return element;
}

} // namespace

const QmlProjectFile::Property *QmlProjectFile::Element::property(const QString &name) const
{
    for (const Property &property : properties) {
        if (property.name == name)
            return &property;
    }
    return nullptr;
}

bool QmlProjectFile::load(const Utils::Path &filePath, QString *errorString)
{
    m_filePath = filePath;
    m_valid = false;
    const QString shown = filePath.toUserOutput();
    if (filePath.isDir()) {
        *errorString = tr("Cannot read the project file \"%1\": it is a directory.").arg(shown);
        return false;
    }
    QFile file(filePath.toString());
    if (!file.open(QIODevice::ReadOnly)) {
        *errorString = tr("Cannot read the project file \"%1\": %2").arg(shown, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *errorString = tr("Cannot read the project file \"%1\": %2").arg(shown, file.errorString());
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        *errorString = tr("The project file \"%1\" is not valid UTF-8 text.").arg(shown);
        return false;
    }
    if (!parse(text, errorString))
        return false;
    m_byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
    return true;
}

bool QmlProjectFile::parse(const QString &text, QString *errorString)
{
    const QString shown = m_filePath.isEmpty() ? tr("<project file>") : m_filePath.toUserOutput();
    if (!hasObjectBody(text)) {
        *errorString = tr("The project file \"%1\" has no root element.").arg(shown);
        return false;
    }
    Engine engine;
    Lexer lexer(&engine);
    lexer.setCode(text, 1, true);
    Parser parser(&engine);
    const bool parsed = parser.parse();
    if (!parsed || !parser.ast()) {
        QString message = tr("syntax error");
        SourceLocation where;
        for (const DiagnosticMessage &diagnostic : parser.diagnosticMessages()) {
            if (diagnostic.isError()) {
                message = diagnostic.message;
                where = diagnostic.loc;
                break;
            }
        }
        *errorString = tr("Cannot parse the project file \"%1\" at line %2, column %3: %4")
                           .arg(shown)
                           .arg(where.startLine)
                           .arg(where.startColumn)
                           .arg(message);
        return false;
    }

    AST::UiObjectDefinition *rootDefinition = nullptr;
    if (AST::UiObjectMemberList *members = parser.ast()->members)
        rootDefinition = AST::cast<AST::UiObjectDefinition *>(members->member);
    if (!rootDefinition || !rootDefinition->initializer) {
        *errorString = tr("The project file \"%1\" has no root element.").arg(shown);
        return false;
    }
    const QString typeName = qualifiedName(rootDefinition->qualifiedTypeNameId);
    if (typeName != QLatin1String("Project") && !typeName.endsWith(QLatin1String(".Project"))) {
        *errorString = tr("The root element of the project file \"%1\" is \"%2\", not \"Project\".")
                           .arg(shown, typeName);
        return false;
    }

    QList<Property> bindings;
    Element root = readElement(text, rootDefinition, &bindings);

    // Added bindings take the indentation of the first member that starts a line.
    QString indent = QStringLiteral("    ");
    for (AST::UiObjectMemberList *it = rootDefinition->initializer->members; it; it = it->next) {
        // Qt's parser files `required x` members in the list although they are
        // no UiObjectMember; they are asked as the Node they are.
        AST::Node *member = it->member;
        const qsizetype offset = member->firstSourceLocation().offset;
        const qsizetype lineStart = lineStartBefore(text, offset);
        const QString prefix = text.mid(lineStart, offset - lineStart);
        if (!prefix.isEmpty() && prefix.trimmed().isEmpty()) {
            indent = prefix;
            break;
        }
    }

    m_text = text;
    m_root = std::move(root);
    m_rootBindings = std::move(bindings);
    m_rootMembers = 0;
    for (AST::UiObjectMemberList *it = rootDefinition->initializer->members; it; it = it->next)
        ++m_rootMembers;
    m_rootClosingBrace = int(rootDefinition->initializer->rbraceToken.offset);
    m_memberIndent = indent;
    m_valid = true;
    return true;
}

bool QmlProjectFile::save(QString *errorString) const
{
    const QString shown = m_filePath.toUserOutput();
    QSaveFile file(m_filePath.toString());
    if (!file.open(QIODevice::WriteOnly)) {
        *errorString
            = tr("Cannot write the project file \"%1\": %2").arg(shown, file.errorString());
        return false;
    }
    file.write(contents());
    if (!file.commit()) {
        *errorString
            = tr("Cannot write the project file \"%1\": %2").arg(shown, file.errorString());
        return false;
    }
    return true;
}

QByteArray QmlProjectFile::contents() const
{
    const QByteArray text = m_text.toUtf8();
    return m_byteOrderMark ? "\xEF\xBB\xBF" + text : text;
}

QVariant QmlProjectFile::value(const QString &name) const
{
    const Property *found = property(name);
    return found ? found->value : QVariant();
}

bool QmlProjectFile::setPropertySource(const QString &name,
                                       const QString &valueSource,
                                       QString *errorString)
{
    if (!m_valid) {
        *errorString = tr("The project file has not been read.");
        return false;
    }
    QString text = m_text;
    QList<Property> existing = bindings(name);
    if (!existing.isEmpty()) {
        // Back to front, so earlier offsets stay valid.
        std::sort(existing.begin(), existing.end(), [](const Property &a, const Property &b) {
            return a.offset > b.offset;
        });
        for (const Property &binding : std::as_const(existing)) {
            // A block ends a binding by itself, so the next member may follow on
            // the same line; the expression written in its place needs a
            // separator there.
            const QString replacement = followedOnItsLine(text, binding.offset + binding.length)
                ? valueSource + QLatin1Char(';')
                : valueSource;
            text.replace(binding.offset, binding.length, replacement);
        }
    } else {
        const QString newline = lineEndOf(text);
        const QString binding = m_memberIndent + name + QLatin1String(": ") + valueSource;
        const int brace = m_rootClosingBrace;
        const qsizetype lineStart = lineStartBefore(text, brace);
        if (QStringView(text).mid(lineStart, brace - lineStart).trimmed().isEmpty()) {
            // The brace has a line of its own: the new binding goes on the line before it.
            text.insert(lineStart, binding + newline);
        } else {
            int end = brace;
            while (
                end > 0
                && (text.at(end - 1) == QLatin1Char(' ') || text.at(end - 1) == QLatin1Char('\t')))
                --end;
            text.replace(end, brace - end, newline + binding + newline);
        }
    }

    // Read the result back as every reader will: it must hold the new value in
    // each binding of that name and say everything else exactly as before.
    // Anything else (a value that spills into its neighbours, an insertion the
    // parser reads differently) is refused, and this file stays as it was.
    const QString shown = m_filePath.isEmpty() ? tr("<project file>") : m_filePath.toUserOutput();
    QmlProjectFile edited;
    edited.m_filePath = m_filePath;
    edited.m_byteOrderMark = m_byteOrderMark;
    QString parseError;
    if (!edited.parse(text, &parseError)) {
        *errorString = tr("Cannot set \"%1\" in the project file \"%2\": the edited file would "
                          "not read back (%3).")
                           .arg(name, shown, parseError);
        return false;
    }
    const QList<Property> written = edited.bindings(name);
    const bool holdsValue = written.size() == std::max<qsizetype>(existing.size(), 1)
        && std::all_of(written.begin(), written.end(), [&](const Property &binding) {
                                return binding.source == valueSource;
                            });
    // Members we do not read (functions, property declarations) count too.
    const int addedMembers = existing.isEmpty() ? 1 : 0;
    if (!holdsValue || edited.m_rootMembers != m_rootMembers + addedMembers
        || !sameProperties(withoutName(m_rootBindings, name),
                           withoutName(edited.m_rootBindings, name))
        || !sameElements(m_root.children, edited.m_root.children)) {
        *errorString = tr("Cannot set \"%1\" in the project file \"%2\": the edited file would "
                          "not read back with that value and its other settings unchanged.")
                           .arg(name, shown);
        return false;
    }
    *this = std::move(edited);
    return true;
}

QList<QmlProjectFile::Property> QmlProjectFile::bindings(const QString &name) const
{
    QList<Property> found;
    for (const Property &binding : m_rootBindings) {
        if (binding.name == name)
            found.append(binding);
    }
    return found;
}

QString QmlProjectFile::quoted(const QString &text)
{
    // A JSON string is a valid QML string literal.
    const QByteArray json = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QString QmlProjectFile::stringList(const QStringList &list)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

QString QmlProjectFile::boolean(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace Host::QmlProject
