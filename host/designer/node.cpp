#include "node.h"

#include "documentmodel.h"
#include "typedescription.h"

namespace Host::Designer {

Node::~Node() = default;

QList<Node *> Node::childNodes() const
{
    QList<Node *> children;
    children.reserve(static_cast<qsizetype>(m_children.size()));
    for (const auto &child : m_children)
        children.append(child.get());
    return children;
}

QList<Node *> Node::subtreeNodes() const
{
    QList<Node *> nodes;
    QList<const Node *> stack { this };
    while (!stack.isEmpty()) {
        const Node *node = stack.takeLast();
        nodes.append(const_cast<Node *>(node));
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            stack.append(it->get());
    }
    return nodes;
}

bool Node::isAncestorOf(const Node *node) const
{
    for (const Node *parent = node ? node->m_parent : nullptr; parent; parent = parent->m_parent) {
        if (parent == this)
            return true;
    }
    return false;
}

NodeProperties Node::properties() const
{
    NodeProperties result;
    result.reserve(static_cast<qsizetype>(m_properties.size()));
    for (const Property &property : m_properties)
        result.append(NodeProperty(const_cast<Node *>(this), property.name));
    return result;
}

NodeProperties Node::bindingProperties() const
{
    NodeProperties result;
    for (const Property &property : m_properties) {
        if (property.binding)
            result.append(NodeProperty(const_cast<Node *>(this), property.name));
    }
    return result;
}

bool Node::hasProperty(const QByteArray &name) const
{
    return findProperty(name);
}

bool Node::hasBindingProperty(const QByteArray &name) const
{
    const Property *found = findProperty(name);
    return found && found->binding;
}

TypeDescription Node::typeDescription() const
{
    return m_model ? m_model->typeDescription(m_typeName) : TypeDescription();
}

const Node::Property *Node::findProperty(const QByteArray &name) const
{
    for (const Property &property : m_properties) {
        if (property.name == name)
            return &property;
    }
    return nullptr;
}

Node::Property *Node::findProperty(const QByteArray &name)
{
    return const_cast<Property *>(std::as_const(*this).findProperty(name));
}

void Node::setModel(DocumentModel *model)
{
    m_model = model;
    for (const auto &child : m_children)
        child->setModel(model);
}

} // namespace Host::Designer
