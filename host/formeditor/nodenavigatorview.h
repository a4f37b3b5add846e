#pragma once

#include "formeditor_global.h"

#include <designer/designerview.h>

#include <QPointer>
#include <QTreeView>

namespace Host::FormEditor {

class NodeTreeModel;

// The "Navigator" pane: the document's objects as a tree. Its selection is the
// model's selection, both ways: choosing rows selects the nodes, and nodes
// selected elsewhere (the Translations panel's search, a test result) are
// shown selected here.
class HOST_FORMEDITOR_EXPORT NodeNavigatorView : public Designer::DesignerView
{
    Q_OBJECT

public:
    explicit NodeNavigatorView(QObject *parent = nullptr);
    ~NodeNavigatorView() override;

    NodeTreeModel *treeModel() const { return m_treeModel; }
    // Made on the first request for the widget; owned by whoever shows it.
    QTreeView *treeView() const { return m_treeView; }

    void modelAttached(Designer::DocumentModel *model) override;
    void modelAboutToBeDetached(Designer::DocumentModel *model) override;
    void nodeAboutToBeRemoved(Designer::Node *removedNode) override;
    void nodeRemoved(Designer::Node *parentNode, const QByteArray &parentProperty) override;
    void nodeReparented(Designer::Node *node,
                        Designer::Node *newParent,
                        Designer::Node *oldParent) override;
    void auxiliaryDataChanged(Designer::Node *node,
                              const QByteArray &name,
                              const QVariant &data) override;
    void selectionChanged(const QList<Designer::Node *> &selected,
                          const QList<Designer::Node *> &deselected) override;
    bool hasWidget() const override { return true; }
    Designer::ViewWidgetDescription widgetDescription() override;

private:
    void rebuild();
    void showModelSelection();
    void applyTreeSelection();

    NodeTreeModel *m_treeModel;
    QPointer<QTreeView> m_treeView;
    bool m_syncingSelection = false;
};

} // namespace Host::FormEditor
