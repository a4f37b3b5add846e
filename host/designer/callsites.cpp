#include "callsites.h"

#include <private/qqmljsast_p.h>
#include <private/qqmljsastvisitor_p.h>
#include <private/qqmljsengine_p.h>
#include <private/qqmljslexer_p.h>
#include <private/qqmljsparser_p.h>

#include <utils/qmlast.h>

namespace Host::Designer {

using namespace QQmlJS;

namespace {

class CallVisitor : public AST::Visitor
{
public:
    CallVisitor(const QStringList &functions, QList<CallSites::Site> *sites)
        : m_functions(functions), m_sites(sites)
    { }

    bool visit(AST::CallExpression *call) override
    {
        auto *name = AST::cast<AST::IdentifierExpression *>(call->base);
        if (!name || !m_functions.contains(name->name))
            return true;
        AST::ArgumentList *arguments = call->arguments;
        auto *literal
            = arguments ? AST::cast<AST::StringLiteral *>(arguments->expression) : nullptr;
        if (!literal)
            return true;
        const SourceLocation location = name->identifierToken;
        m_sites->append({ name->name.toString(),
                          literal->value.toString(),
                          int(location.offset),
                          int(location.startLine),
                          int(location.startColumn) });
        return true;
    }

    void throwRecursionDepthError() override { m_tooDeep = true; }
    bool tooDeep() const { return m_tooDeep; }

private:
    const QStringList &m_functions;
    QList<CallSites::Site> *m_sites;
    bool m_tooDeep = false;
};

} // namespace

QList<CallSites::Site>
CallSites::find(const QString &text, const QStringList &functions, QString *errorString)
{
    Engine engine;
    Lexer lexer(&engine);
    lexer.setCode(text, 1, true);
    Parser parser(&engine);
    if (!parser.parse()) {
        if (errorString) {
            const QList<DiagnosticMessage> messages = parser.diagnosticMessages();
            *errorString = messages.isEmpty()
                ? QStringLiteral("1:1: the document does not parse")
                : Host::Utils::QmlAst::diagnosticText(messages.first());
        }
        return {};
    }
    QList<Site> sites;
    CallVisitor visitor(functions, &sites);
    parser.rootNode()->accept(&visitor);
    if (visitor.tooDeep() && errorString)
        *errorString = QStringLiteral("1:1: the document is nested too deeply to be read whole");
    return sites;
}

} // namespace Host::Designer
