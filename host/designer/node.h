#pragma once

#include "designer_global.h"
#include "nodeproperty.h"

#include <QHash>
#include <QList>
#include <QVariant>

#include <memory>
#include <vector>

namespace Host::Designer {

class DocumentModel;
class TypeDescription;

// One object of a QML document (`Text { ... }`): its type name, `id`, the
// properties written on it and its child objects in document order. Nodes are
// owned by their parent, the root node by the DocumentModel; a Node pointer is
// valid until the node is removed or the document's structure changes beyond
// recognition (the model then detaches and re-attaches its views).
class HOST_DESIGNER_EXPORT Node
{
public:
    ~Node();
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    QString typeName() const { return m_typeName; }
    QString id() const { return m_id; }
    // The property of the parent that holds this node when it is written as
    // `name: Type { }` or `name: [ Type { } ]`; empty for plain child objects.
    QByteArray parentPropertyName() const { return m_parentProperty; }

    DocumentModel *model() const { return m_model; }
    Node *parentNode() const { return m_parent; }
    bool isRootNode() const { return !m_parent; }
    QList<Node *> childNodes() const;
    // Without building the list: item models ask for single rows, often.
    int childCount() const { return int(m_children.size()); }
    Node *childAt(int row) const { return m_children.at(std::size_t(row)).get(); }
    // This node and every node below it, depth first in document order.
    QList<Node *> subtreeNodes() const;
    bool isAncestorOf(const Node *node) const;

    // The properties in document order.
    NodeProperties properties() const;
    NodeProperties bindingProperties() const;
    bool hasProperty(const QByteArray &name) const;
    bool hasBindingProperty(const QByteArray &name) const;
    NodeProperty property(const QByteArray &name) const
    {
        return { const_cast<Node *>(this), name };
    }

    // Data kept per node for the tools and never written into the document.
    QVariant auxiliaryData(const QByteArray &name) const { return m_auxiliaryData.value(name); }
    bool hasAuxiliaryData(const QByteArray &name) const { return m_auxiliaryData.contains(name); }
    QHash<QByteArray, QVariant> allAuxiliaryData() const { return m_auxiliaryData; }

    // The type's properties and their QML type names; empty when the type
    // cannot be instantiated.
    TypeDescription typeDescription() const;

    // Source range of the whole object in the document's text (UTF-16 offsets,
    // end exclusive); DocumentRewriter maps it to lines and columns.
    int sourceBegin() const { return m_begin; }
    int sourceEnd() const { return m_end; }

private:
    friend class DocumentModel;
    friend class DocumentParser;
    friend class DocumentRewriter;
    friend class NodeProperty;

    struct Property
    {
        QByteArray name;
        QString expression; // source text of the value
        QVariant value; // literal value, invalid for bindings
        bool binding = false;
        int begin = 0; // `name: value` statement
        int end = 0;
        int valueBegin = 0;
        int valueEnd = 0;
        // End of the `group { … }` block the statement is in, -1 outside one.
        int groupEnd = -1;
    };

    Node() = default;
    const Property *findProperty(const QByteArray &name) const;
    Property *findProperty(const QByteArray &name);
    void setModel(DocumentModel *model);

    QString m_typeName;
    QString m_id;
    QByteArray m_parentProperty;
    DocumentModel *m_model = nullptr;
    Node *m_parent = nullptr;
    std::vector<std::unique_ptr<Node>> m_children;
    std::vector<Property> m_properties;
    QHash<QByteArray, QVariant> m_auxiliaryData;
    int m_begin = 0;
    int m_end = 0;
    int m_bodyOpen = 0; // offset of `{`
    int m_bodyClose = 0; // offset of `}`
    int m_idEnd = -1; // end of `id: name`, -1 without id
    bool m_inArray = false; // an element of `name: [ ... ]`
};

} // namespace Host::Designer
