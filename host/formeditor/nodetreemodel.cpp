#include "nodetreemodel.h"

#include "formeditorconstants.h"

#include <designer/documentmodel.h>
#include <designer/node.h>

#include <QColor>
#include <QPixmap>

namespace Host::FormEditor {

NodeTreeModel::NodeTreeModel(QObject *parent) : QAbstractItemModel(parent) { }

NodeTreeModel::~NodeTreeModel() = default;

void NodeTreeModel::setDocumentModel(Designer::DocumentModel *model)
{
    beginResetModel();
    m_document = model;
    m_rows.clear();
    endResetModel();
}

void NodeTreeModel::reset()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void NodeTreeModel::updateNode(Designer::Node *node)
{
    const QModelIndex index = indexOf(node);
    if (index.isValid())
        emit dataChanged(index, index);
}

Designer::Node *NodeTreeModel::nodeOf(const QModelIndex &index)
{
    return static_cast<Designer::Node *>(index.internalPointer());
}

QModelIndex NodeTreeModel::indexOf(Designer::Node *node) const
{
    if (!node || !m_document || node->model() != m_document)
        return {};
    Designer::Node *parent = node->parentNode();
    if (!parent)
        return createIndex(0, 0, node);
    const int row = rowOf(node);
    return row < 0 ? QModelIndex() : createIndex(row, 0, node);
}

int NodeTreeModel::rowOf(Designer::Node *node) const
{
    const Designer::Node *parent = node->parentNode();
    const auto isRow = [&](int row) {
        return row < parent->childCount() && parent->childAt(row) == node;
    };
    if (const auto found = m_rows.constFind(node); found != m_rows.cend() && isRow(*found))
        return *found;
    for (int row = 0; row < parent->childCount(); ++row)
        m_rows.insert(parent->childAt(row), row);
    return m_rows.value(node, -1);
}

QModelIndex NodeTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!m_document || !m_document->rootNode() || column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, m_document->rootNode()) : QModelIndex();
    const Designer::Node *node = nodeOf(parent);
    return row < node->childCount() ? createIndex(row, 0, node->childAt(row)) : QModelIndex();
}

QModelIndex NodeTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexOf(nodeOf(child)->parentNode());
}

int NodeTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!m_document || !m_document->rootNode())
        return 0;
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    return nodeOf(parent)->childCount();
}

int NodeTreeModel::columnCount(const QModelIndex & /*parent*/) const
{
    return 1;
}

QVariant NodeTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    Designer::Node *node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole: {
        // A state is known by its name wherever it is used; few have an id.
        QString name = node->id();
        if (name.isEmpty() && node->typeName() == u"State")
            name = node->property("name").value().toString();
        return name.isEmpty() ? node->typeName()
                              : name + QLatin1String(" (") + node->typeName() + QLatin1Char(')');
    }
    case Qt::ToolTipRole:
        return node->parentPropertyName().isEmpty() ? node->typeName()
                                                    : QString::fromUtf8(node->parentPropertyName())
                + QLatin1String(": ") + node->typeName();
    case Qt::DecorationRole: {
        const QColor color = node->auxiliaryData(frameColorName).value<QColor>();
        if (!color.isValid())
            return {};
        QPixmap swatch(12, 12);
        swatch.fill(color);
        return swatch;
    }
    case NodeRole:
        return QVariant::fromValue(static_cast<void *>(node));
    case FrameColorRole:
        return node->auxiliaryData(frameColorName);
    default:
        return {};
    }
}

} // namespace Host::FormEditor
