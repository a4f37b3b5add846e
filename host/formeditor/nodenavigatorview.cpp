#include "nodenavigatorview.h"

#include "formeditorconstants.h"
#include "nodetreemodel.h"

#include <designer/documentmodel.h>
#include <designer/node.h>

#include <QItemSelectionModel>
#include <QTreeView>

namespace Host::FormEditor {

NodeNavigatorView::NodeNavigatorView(QObject *parent)
    : DesignerView(parent), m_treeModel(new NodeTreeModel(this))
{ }

NodeNavigatorView::~NodeNavigatorView() = default;

Designer::ViewWidgetDescription NodeNavigatorView::widgetDescription()
{
    if (!m_treeView) {
        m_treeView = new QTreeView;
        m_treeView->setObjectName(QStringLiteral("Navigator"));
        m_treeView->setWindowTitle(tr("Navigator"));
        m_treeView->setHeaderHidden(true);
        m_treeView->setUniformRowHeights(true);
        m_treeView->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_treeView->setModel(m_treeModel);
        connect(m_treeView->selectionModel(),
                &QItemSelectionModel::selectionChanged,
                this,
                &NodeNavigatorView::applyTreeSelection);
        m_treeView->expandAll();
        showModelSelection();
    }
    Designer::ViewWidgetDescription description;
    description.widget = m_treeView;
    description.uniqueId = QStringLiteral("Navigator");
    description.tabTitle = tr("Navigator");
    description.placementHint = int(Designer::ViewWidgetDescription::Placement::LeftPane);
    return description;
}

void NodeNavigatorView::modelAttached(Designer::DocumentModel *model)
{
    DesignerView::modelAttached(model);
    m_treeModel->setDocumentModel(model);
    rebuild();
}

void NodeNavigatorView::modelAboutToBeDetached(Designer::DocumentModel *model)
{
    m_treeModel->setDocumentModel(nullptr);
    DesignerView::modelAboutToBeDetached(model);
}

void NodeNavigatorView::nodeAboutToBeRemoved(Designer::Node * /*removedNode*/)
{
    // Rows must not point at the node while it goes.
    m_treeModel->setDocumentModel(nullptr);
}

void NodeNavigatorView::nodeRemoved(Designer::Node * /*parentNode*/,
                                    const QByteArray & /*parentProperty*/)
{
    m_treeModel->setDocumentModel(model());
    rebuild();
}

void NodeNavigatorView::nodeReparented(Designer::Node * /*node*/,
                                       Designer::Node * /*newParent*/,
                                       Designer::Node * /*oldParent*/)
{
    rebuild();
}

void NodeNavigatorView::auxiliaryDataChanged(Designer::Node *node,
                                             const QByteArray &name,
                                             const QVariant & /*data*/)
{
    if (name == frameColorName)
        m_treeModel->updateNode(node);
}

void NodeNavigatorView::selectionChanged(const QList<Designer::Node *> & /*selected*/,
                                         const QList<Designer::Node *> & /*deselected*/)
{
    showModelSelection();
}

void NodeNavigatorView::rebuild()
{
    m_treeModel->reset();
    if (m_treeView)
        m_treeView->expandAll();
    showModelSelection();
}

void NodeNavigatorView::showModelSelection()
{
    if (!m_treeView || m_syncingSelection)
        return;
    QItemSelection selection;
    for (Designer::Node *node : selectedNodes()) {
        const QModelIndex index = m_treeModel->indexOf(node);
        if (index.isValid())
            selection.select(index, index);
    }
    m_syncingSelection = true;
    m_treeView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty())
        m_treeView->scrollTo(selection.indexes().constFirst());
    m_syncingSelection = false;
}

void NodeNavigatorView::applyTreeSelection()
{
    if (m_syncingSelection || !model())
        return;
    QList<Designer::Node *> nodes;
    for (const QModelIndex &index : m_treeView->selectionModel()->selectedRows())
        nodes.append(NodeTreeModel::nodeOf(index));
    m_syncingSelection = true;
    model()->setSelectedNodes(nodes);
    m_syncingSelection = false;
}

} // namespace Host::FormEditor
