#pragma once

#include "designer_global.h"
#include "nodeproperty.h"
#include "viewwidgetdescription.h"

#include <QObject>

namespace Host::Designer {

class DocumentModel;
class Node;

// Base of every view of the designer's document model. A view is attached to
// at most one model at a time and is told of every change the model goes
// through; "about to" notices come while the model still holds the old state,
// the others once the change is complete. Subclasses call the base class's
// modelAttached first and its modelAboutToBeDetached last.
class HOST_DESIGNER_EXPORT DesignerView : public QObject
{
    Q_OBJECT

public:
    explicit DesignerView(QObject *parent = nullptr);
    ~DesignerView() override;

    DocumentModel *model() const { return m_model; }
    bool isAttached() const { return m_model; }

    // Conveniences over the attached model; empty or null while detached.
    Node *rootNode() const;
    QList<Node *> allNodes() const;
    QList<Node *> selectedNodes() const;
    Node *firstSelectedNode() const;
    bool hasSingleSelectedNode() const;

    // The notifications, in the order the designer's documentation lists them.
    virtual void modelAttached(DocumentModel *model);
    virtual void modelAboutToBeDetached(DocumentModel *model);
    // Sent once for the node at the top of a removed subtree.
    virtual void nodeAboutToBeRemoved(Node *removedNode);
    virtual void nodeRemoved(Node *parentNode, const QByteArray &parentProperty);
    virtual void nodeReparented(Node *node, Node *newParent, Node *oldParent);
    virtual void propertiesAboutToBeRemoved(const NodeProperties &properties);
    virtual void propertiesRemoved(const NodeProperties &properties);
    virtual void bindingPropertiesAboutToBeChanged(const NodeProperties &properties);
    virtual void bindingPropertiesChanged(const NodeProperties &properties);
    virtual void auxiliaryDataChanged(Node *node, const QByteArray &name, const QVariant &data);
    virtual void selectionChanged(const QList<Node *> &selected, const QList<Node *> &deselected);
    virtual bool hasWidget() const;
    virtual ViewWidgetDescription widgetDescription();

private:
    DocumentModel *m_model = nullptr;
};

} // namespace Host::Designer
