#pragma once

#include "designer_global.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace Host::Designer {

class Node;

// A handle on one property of a node, by name. It stays usable across edits of
// the property and reads whatever the node holds at the time of the call: a
// view told that bindings are about to change reads the old expression, a view
// told that they changed reads the new one.
class HOST_DESIGNER_EXPORT NodeProperty
{
public:
    NodeProperty() = default;
    NodeProperty(Node *node, const QByteArray &name) : m_node(node), m_name(name) { }

    Node *parentNode() const { return m_node; }
    QByteArray name() const { return m_name; }

    // Whether the node holds the property right now.
    bool exists() const;
    // A binding: the value is an expression, not a literal.
    bool isBinding() const;
    // The expression text of a binding; empty for anything else.
    QString expression() const;
    // The value of a literal property ("text: \"Hi\"" gives "Hi"); invalid for a binding.
    QVariant value() const;
    // The property's source text as written, e.g. the literal with its quotes.
    QString sourceText() const;

    // The same property, seen as a binding: itself when it is one, an invalid
    // handle otherwise.
    NodeProperty toBindingProperty() const;
    bool isValid() const { return m_node && !m_name.isEmpty(); }

    friend bool operator==(const NodeProperty &a, const NodeProperty &b)
    {
        return a.m_node == b.m_node && a.m_name == b.m_name;
    }

private:
    Node *m_node = nullptr;
    QByteArray m_name;
};

using NodeProperties = QList<NodeProperty>;

} // namespace Host::Designer
