#include "documentparser.h"

#include <private/qqmljsast_p.h>
#include <private/qqmljsengine_p.h>
#include <private/qqmljslexer_p.h>
#include <private/qqmljsparser_p.h>

#include <utils/qmlast.h>

namespace Host::Designer {

using namespace QQmlJS;

namespace {

using Host::Utils::QmlAst::qualifiedName;

// The value of a literal expression; invalid for anything that must be evaluated.
QVariant literalValue(AST::Statement *statement)
{
    auto *expressionStatement = AST::cast<AST::ExpressionStatement *>(statement);
    return expressionStatement ? Utils::QmlAst::literalValue(expressionStatement->expression)
                               : QVariant();
}

} // namespace

class DocumentParser::TreeBuilder
{
public:
    explicit TreeBuilder(const QString &text) : m_text(text) { }

    std::unique_ptr<Node> build(AST::UiQualifiedId *typeId,
                                AST::UiObjectInitializer *initializer,
                                AST::Node *whole,
                                const QByteArray &parentProperty)
    {
        std::unique_ptr<Node> node(createNode());
        node->m_typeName = qualifiedName(typeId);
        node->m_parentProperty = parentProperty;
        node->m_begin = int(whole->firstSourceLocation().begin());
        node->m_end = int(whole->lastSourceLocation().end());
        node->m_bodyOpen = int(initializer->lbraceToken.begin());
        node->m_bodyClose = int(initializer->rbraceToken.begin());

        for (AST::UiObjectMemberList *it = initializer->members; it; it = it->next)
            addMember(node.get(), it->member);
        return node;
    }

private:
    static Node *createNode() { return new Node; }

    void adopt(Node *parent, std::unique_ptr<Node> child)
    {
        child->m_parent = parent;
        parent->m_children.push_back(std::move(child));
    }

    void addProperty(Node *node, const QString &name, AST::Statement *statement, AST::Node *whole)
    {
        Node::Property property;
        property.name = name.toUtf8();
        property.groupEnd = m_groupEnd;
        property.begin = int(whole->firstSourceLocation().begin());
        // The value is the expression without the statement's semicolon,
        // which may be a virtual one the parser inserted.
        AST::Node *value = statement;
        if (auto *expression = AST::cast<AST::ExpressionStatement *>(statement))
            value = expression->expression;
        property.valueBegin = int(value->firstSourceLocation().begin());
        property.valueEnd = int(value->lastSourceLocation().end());
        property.end = endOfStatement(property.valueEnd);
        property.expression
            = m_text.mid(property.valueBegin, property.valueEnd - property.valueBegin);
        property.value = literalValue(statement);
        property.binding = !property.value.isValid();
        node->m_properties.push_back(std::move(property));
    }

    // Past a semicolon that ends the statement at `end`, if there is one.
    int endOfStatement(int end) const
    {
        int position = end;
        while (position < m_text.size()
               && (m_text.at(position) == QLatin1Char(' ')
                   || m_text.at(position) == QLatin1Char('\t')))
            ++position;
        return position < m_text.size() && m_text.at(position) == QLatin1Char(';') ? position + 1
                                                                                   : end;
    }

    // Type names start with a capital letter; `font { pixelSize: 12 }` is
    // not an object but a block of the parent's `font.` properties.
    static bool isGroup(AST::UiQualifiedId *typeId)
    {
        AST::UiQualifiedId *last = typeId;
        while (last && last->next)
            last = last->next;
        return last && !last->name.isEmpty() && last->name.at(0).isLower();
    }

    void addMember(Node *node, AST::UiObjectMember *member, const QString &prefix = {})
    {
        if (auto *definition = AST::cast<AST::UiObjectDefinition *>(member)) {
            if (isGroup(definition->qualifiedTypeNameId)) {
                const QString groupPrefix
                    = prefix + qualifiedName(definition->qualifiedTypeNameId) + QLatin1Char('.');
                // The outermost block bounds where new properties may go.
                const int outerGroupEnd = m_groupEnd;
                if (m_groupEnd < 0)
                    m_groupEnd = int(definition->lastSourceLocation().end());
                for (AST::UiObjectMemberList *it = definition->initializer->members; it;
                     it = it->next)
                    addMember(node, it->member, groupPrefix);
                m_groupEnd = outerGroupEnd;
                return;
            }
            adopt(node,
                  build(definition->qualifiedTypeNameId, definition->initializer, definition, {}));
        } else if (auto *objectBinding = AST::cast<AST::UiObjectBinding *>(member)) {
            adopt(node,
                  build(objectBinding->qualifiedTypeNameId,
                        objectBinding->initializer,
                        objectBinding,
                        (prefix + qualifiedName(objectBinding->qualifiedId)).toUtf8()));
        } else if (auto *arrayBinding = AST::cast<AST::UiArrayBinding *>(member)) {
            const QByteArray name = (prefix + qualifiedName(arrayBinding->qualifiedId)).toUtf8();
            for (AST::UiArrayMemberList *it = arrayBinding->members; it; it = it->next) {
                if (auto *element = AST::cast<AST::UiObjectDefinition *>(it->member)) {
                    auto child
                        = build(element->qualifiedTypeNameId, element->initializer, element, name);
                    child->m_inArray = true;
                    adopt(node, std::move(child));
                }
            }
        } else if (auto *scriptBinding = AST::cast<AST::UiScriptBinding *>(member)) {
            const QString name = prefix + qualifiedName(scriptBinding->qualifiedId);
            if (name == QLatin1String("id")) {
                AST::Node *value = scriptBinding->statement;
                if (auto *expression = AST::cast<AST::ExpressionStatement *>(value))
                    value = expression->expression;
                const int begin = int(value->firstSourceLocation().begin());
                const int end = int(value->lastSourceLocation().end());
                node->m_id = m_text.mid(begin, end - begin);
                node->m_idEnd = endOfStatement(end);
            } else {
                addProperty(node, name, scriptBinding->statement, scriptBinding);
            }
        } else if (auto *publicMember = AST::cast<AST::UiPublicMember *>(member)) {
            if (publicMember->type == AST::UiPublicMember::Property && publicMember->statement)
                addProperty(
                    node, publicMember->name.toString(), publicMember->statement, publicMember);
        }
    }

    const QString &m_text;
    int m_groupEnd = -1;
};

DocumentParser::Result DocumentParser::parse(const QString &text)
{
    Result result;
    Engine engine;
    Lexer lexer(&engine);
    lexer.setCode(text, 1, true);
    Parser parser(&engine);

    if (!parser.parse()) {
        for (const DiagnosticMessage &message : parser.diagnosticMessages())
            result.errors.append(Host::Utils::QmlAst::diagnosticText(message));
        if (result.errors.isEmpty())
            result.errors.append(QStringLiteral("1:1: the document does not parse"));
        return result;
    }

    AST::UiProgram *program = parser.ast();
    if (program->headers) {
        const auto begin = program->headers->firstSourceLocation().begin();
        const auto end = program->headers->lastSourceLocation().end();
        result.imports = text.mid(begin, end - begin);
    }

    auto *definition = program->members
        ? AST::cast<AST::UiObjectDefinition *>(program->members->member)
        : nullptr;
    if (!definition) {
        result.errors.append(QStringLiteral("1:1: the document has no root object"));
        return result;
    }
    result.root = TreeBuilder(text).build(
        definition->qualifiedTypeNameId, definition->initializer, definition, {});
    return result;
}

} // namespace Host::Designer
