#pragma once

#include <private/qqmljsast_p.h>
#include <private/qqmljsdiagnosticmessage_p.h>

#include <QString>
#include <QVariant>

// Readers of QML text (the designer's document model, project files) share
// these. Header only: the QML parser is private Qt API, so only the libraries
// that parse QML link it, and the utilities stay free of it.
namespace Host::Utils::QmlAst {

// "QtQuick.Controls.Button" from the parts of a dotted name.
inline QString qualifiedName(QQmlJS::AST::UiQualifiedId *id)
{
    QString name;
    for (QQmlJS::AST::UiQualifiedId *part = id; part; part = part->next) {
        if (!name.isEmpty())
            name += QLatin1Char('.');
        name += part->name;
    }
    return name;
}

// The value of a string, boolean or (possibly negated) number literal; invalid
// for anything that must be evaluated.
inline QVariant literalValue(QQmlJS::AST::ExpressionNode *expression)
{
    using namespace QQmlJS::AST;
    if (!expression)
        return {};
    if (auto *string = cast<StringLiteral *>(expression))
        return string->value.toString();
    if (cast<TrueLiteral *>(expression))
        return true;
    if (cast<FalseLiteral *>(expression))
        return false;
    if (auto *number = cast<NumericLiteral *>(expression))
        return number->value;
    if (auto *minus = cast<UnaryMinusExpression *>(expression)) {
        if (auto *number = cast<NumericLiteral *>(minus->expression))
            return -number->value;
    }
    return {};
}

// "line:column: message", as the designer's readers report parse errors.
inline QString diagnosticText(const QQmlJS::DiagnosticMessage &message)
{
    return QStringLiteral("%1:%2: %3")
        .arg(message.loc.startLine)
        .arg(message.loc.startColumn)
        .arg(message.message);
}

} // namespace Host::Utils::QmlAst
