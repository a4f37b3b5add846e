#include "designerview.h"

#include "documentmodel.h"
#include "node.h"

namespace Host::Designer {

DesignerView::DesignerView(QObject *parent) : QObject(parent) { }

DesignerView::~DesignerView()
{
    if (m_model)
        m_model->detachView(this);
}

Node *DesignerView::rootNode() const
{
    return m_model ? m_model->rootNode() : nullptr;
}

QList<Node *> DesignerView::allNodes() const
{
    return m_model ? m_model->allNodes() : QList<Node *>();
}

QList<Node *> DesignerView::selectedNodes() const
{
    return m_model ? m_model->selectedNodes() : QList<Node *>();
}

Node *DesignerView::firstSelectedNode() const
{
    const QList<Node *> selected = selectedNodes();
    return selected.isEmpty() ? nullptr : selected.first();
}

bool DesignerView::hasSingleSelectedNode() const
{
    return selectedNodes().size() == 1;
}

void DesignerView::modelAttached(DocumentModel *model)
{
    m_model = model;
}

void DesignerView::modelAboutToBeDetached(DocumentModel *)
{
    m_model = nullptr;
}

void DesignerView::nodeAboutToBeRemoved(Node *) { }

void DesignerView::nodeRemoved(Node *, const QByteArray &) { }

void DesignerView::nodeReparented(Node *, Node *, Node *) { }

void DesignerView::propertiesAboutToBeRemoved(const NodeProperties &) { }

void DesignerView::propertiesRemoved(const NodeProperties &) { }

void DesignerView::bindingPropertiesAboutToBeChanged(const NodeProperties &) { }

void DesignerView::bindingPropertiesChanged(const NodeProperties &) { }

void DesignerView::auxiliaryDataChanged(Node *, const QByteArray &, const QVariant &) { }

void DesignerView::selectionChanged(const QList<Node *> &, const QList<Node *> &) { }

bool DesignerView::hasWidget() const
{
    return false;
}

ViewWidgetDescription DesignerView::widgetDescription()
{
    return {};
}

} // namespace Host::Designer
