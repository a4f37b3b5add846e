#include "nodeproperty.h"

#include "node.h"

namespace Host::Designer {

bool NodeProperty::exists() const
{
    return m_node && m_node->findProperty(m_name);
}

bool NodeProperty::isBinding() const
{
    const Node::Property *property = m_node ? m_node->findProperty(m_name) : nullptr;
    return property && property->binding;
}

QString NodeProperty::expression() const
{
    const Node::Property *property = m_node ? m_node->findProperty(m_name) : nullptr;
    return property && property->binding ? property->expression : QString();
}

QVariant NodeProperty::value() const
{
    const Node::Property *property = m_node ? m_node->findProperty(m_name) : nullptr;
    return property ? property->value : QVariant();
}

QString NodeProperty::sourceText() const
{
    const Node::Property *property = m_node ? m_node->findProperty(m_name) : nullptr;
    return property ? property->expression : QString();
}

NodeProperty NodeProperty::toBindingProperty() const
{
    return isBinding() ? *this : NodeProperty();
}

} // namespace Host::Designer
