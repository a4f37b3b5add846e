#pragma once

#include "formeditor_global.h"

#include <designer/documentmodel.h>

#include <QAbstractItemModel>
#include <QHash>
#include <QPointer>

namespace Host::Designer {
class Node;
}

namespace Host::FormEditor {

// The objects of a designer document as a tree: one row per node, children in
// document order. Rows show the type and the id; a node with a frame colour
// shows it as its decoration. The owner resets the model when the document's
// structure changes (node pointers do not survive that).
class HOST_FORMEDITOR_EXPORT NodeTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Role { NodeRole = Qt::UserRole + 1, FrameColorRole };

    explicit NodeTreeModel(QObject *parent = nullptr);
    ~NodeTreeModel() override;

    Designer::DocumentModel *documentModel() const { return m_document; }
    // Not owned; null shows nothing.
    void setDocumentModel(Designer::DocumentModel *model);
    // The document's structure changed: rebuild every row.
    void reset();
    // A node's text or decoration changed.
    void updateNode(Designer::Node *node);

    QModelIndex indexOf(Designer::Node *node) const;
    static Designer::Node *nodeOf(const QModelIndex &index);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    int rowOf(Designer::Node *node) const;

    QPointer<Designer::DocumentModel> m_document;
    // Rows of the nodes asked for since the last reset, filled per parent at
    // once: a view walking a node with thousands of children would otherwise
    // search the children once per row.
    mutable QHash<const Designer::Node *, int> m_rows;
};

} // namespace Host::FormEditor
