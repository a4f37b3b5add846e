#include "documentmodel.h"

#include "designerview.h"
#include "documentparser.h"
#include "documentrewriter.h"
#include "node.h"
#include "typeregistry.h"

#include <QTextDocument>

#include <algorithm>

namespace Host::Designer {

namespace {

bool isPropertyName(const QByteArray &name)
{
    if (name.isEmpty() || name == "id")
        return false;
    for (const QByteArray &part : name.split('.')) {
        if (part.isEmpty() || !(std::isalpha(uchar(part.front())) || part.front() == '_'))
            return false;
        for (char character : part) {
            if (!std::isalnum(uchar(character)) && character != '_')
                return false;
        }
    }
    return true;
}

} // namespace

DocumentModel::DocumentModel(QTextDocument *textDocument, QObject *parent)
    : QObject(parent),
      m_textDocument(textDocument),
      m_rewriter(std::make_unique<DocumentRewriter>(this, textDocument))
{ }

DocumentModel::~DocumentModel()
{
    const QList<DesignerView *> views = m_views;
    for (DesignerView *view : views)
        detachView(view);
}

bool DocumentModel::load()
{
    return m_rewriter->synchronizeWithText();
}

QStringList DocumentModel::errors() const
{
    return m_rewriter->errors();
}

void DocumentModel::installRoot(std::unique_ptr<Node> root, const QString &imports)
{
    const QList<DesignerView *> views = m_views;
    for (DesignerView *view : views)
        view->modelAboutToBeDetached(this);
    m_views.clear();

    // What the tools noted on the nodes survives as long as the objects are
    // found at the same place in the tree.
    if (m_root) {
        const QList<Node *> oldNodes = m_root->subtreeNodes();
        const QList<Node *> newNodes = root->subtreeNodes();
        for (qsizetype index = 0; index < std::min(oldNodes.size(), newNodes.size()); ++index) {
            if (oldNodes[index]->m_typeName == newNodes[index]->m_typeName)
                newNodes[index]->m_auxiliaryData = oldNodes[index]->m_auxiliaryData;
        }
    }

    m_selection.clear();
    m_root = std::move(root);
    m_root->setModel(this);
    m_imports = imports;
    ++m_generation;
    emit rootNodeChanged();

    for (DesignerView *view : views) {
        m_views.append(view);
        view->modelAttached(this);
    }
}

bool DocumentModel::flushTextChanges()
{
    if (!m_rewriter->hasPendingTextChanges())
        return true;
    // While the text does not parse, the ranges are stale: writing through
    // them would corrupt the text.
    const int generation = m_generation;
    if (!m_rewriter->synchronizeWithText())
        return false;
    return generation == m_generation;
}

QList<Node *> DocumentModel::allNodes() const
{
    return m_root ? m_root->subtreeNodes() : QList<Node *>();
}

Node *DocumentModel::nodeForId(const QString &id) const
{
    for (Node *node : allNodes()) {
        if (node->id() == id)
            return node;
    }
    return nullptr;
}

TypeDescription DocumentModel::typeDescription(const QString &typeName) const
{
    QString imports = m_imports;
    if (imports.isEmpty())
        imports = QStringLiteral("import QtQuick");
    return TypeRegistry::instance()->describe(typeName, imports, m_fileUrl);
}

void DocumentModel::setSelectedNodes(const QList<Node *> &nodes)
{
    QList<Node *> selected;
    for (Node *node : nodes) {
        if (node && node->model() == this && !selected.contains(node))
            selected.append(node);
    }
    if (selected == m_selection)
        return;
    QList<Node *> deselected;
    for (Node *node : std::as_const(m_selection)) {
        if (!selected.contains(node))
            deselected.append(node);
    }
    m_selection = selected;
    notifyViews([&](DesignerView *view) { view->selectionChanged(selected, deselected); });
}

bool DocumentModel::setBindingProperty(Node *node,
                                       const QByteArray &name,
                                       const QString &expression)
{
    if (!node || node->model() != this || !isPropertyName(name) || expression.trimmed().isEmpty())
        return false;
    if (!flushTextChanges())
        return false;

    if (const Node::Property *existing = node->findProperty(name);
        existing && existing->binding && existing->expression == expression)
        return true;

    const NodeProperties changed { NodeProperty(node, name) };
    notifyViews([&](DesignerView *view) { view->bindingPropertiesAboutToBeChanged(changed); });

    // Looked up only now: a view told of the change may have changed the
    // node's properties, moving them in memory.
    if (Node::Property *existing = node->findProperty(name)) {
        const int oldValueEnd = existing->valueEnd;
        const bool endsWithValue = existing->end == oldValueEnd;
        m_rewriter->replace(existing->valueBegin, oldValueEnd, expression);
        existing->valueEnd = existing->valueBegin + int(expression.size());
        if (endsWithValue)
            existing->end = existing->valueEnd;
        existing->expression = expression;
        existing->value = QVariant();
        existing->binding = true;
    } else {
        const QString statement = QString::fromUtf8(name) + QLatin1String(": ") + expression;
        int anchor = node->m_idEnd;
        // Behind a group block, not inside it.
        for (const Node::Property &property : node->m_properties)
            anchor = std::max({ anchor, property.end, property.groupEnd });

        int begin = 0;
        if (anchor >= 0) {
            const QString prefix = QLatin1Char('\n') + m_rewriter->indentationAt(anchor);
            m_rewriter->replace(anchor, anchor, prefix + statement);
            begin = anchor + int(prefix.size());
        } else {
            const QString nodeIndentation = m_rewriter->indentationAt(node->m_begin);
            const QString prefix = QLatin1Char('\n') + nodeIndentation + QLatin1String("    ");
            const int bodyBegin = node->m_bodyOpen + 1;
            if (m_rewriter->text(bodyBegin, node->m_bodyClose).trimmed().isEmpty()) {
                m_rewriter->replace(bodyBegin,
                                    node->m_bodyClose,
                                    prefix + statement + QLatin1Char('\n') + nodeIndentation);
            } else {
                m_rewriter->replace(bodyBegin, bodyBegin, prefix + statement);
            }
            begin = bodyBegin + int(prefix.size());
        }
        Node::Property property;
        property.name = name;
        property.expression = expression;
        property.binding = true;
        property.begin = begin;
        property.valueBegin = begin + int(name.size()) + 2;
        property.valueEnd = property.valueBegin + int(expression.size());
        property.end = property.valueEnd;
        node->m_properties.push_back(std::move(property));
    }

    notifyViews([&](DesignerView *view) { view->bindingPropertiesChanged(changed); });
    return true;
}

bool DocumentModel::removeProperties(const NodeProperties &properties)
{
    if (!flushTextChanges())
        return false;
    NodeProperties removed;
    for (const NodeProperty &property : properties) {
        Node *node = property.parentNode();
        if (node && node->model() == this && property.exists() && !removed.contains(property))
            removed.append(property);
    }
    if (removed.isEmpty())
        return false;

    notifyViews([&](DesignerView *view) { view->propertiesAboutToBeRemoved(removed); });
    for (const NodeProperty &property : std::as_const(removed)) {
        Node *node = property.parentNode();
        const Node::Property *data = node->findProperty(property.name());
        const auto [begin, end] = m_rewriter->wholeLines(data->begin, data->end);
        // Erase first, so the ranges moved by the edit are only the others'.
        node->m_properties.erase(node->m_properties.begin() + (data - node->m_properties.data()));
        m_rewriter->replace(begin, end, QString());
    }
    notifyViews([&](DesignerView *view) { view->propertiesRemoved(removed); });
    return true;
}

bool DocumentModel::removeNode(Node *node)
{
    if (!node || node->model() != this || node->isRootNode())
        return false;
    if (!flushTextChanges())
        return false;

    notifyViews([&](DesignerView *view) { view->nodeAboutToBeRemoved(node); });

    int begin = node->m_begin;
    int end = node->m_end;
    if (node->m_inArray) {
        // Take one separating comma with the element, so the list stays valid.
        const QString after = m_rewriter->text(end, node->m_parent->m_end);
        const qsizetype comma = after.indexOf(QLatin1Char(','));
        if (comma >= 0 && after.left(comma).trimmed().isEmpty()) {
            end += int(comma) + 1;
        } else {
            const QString before = m_rewriter->text(node->m_parent->m_begin, begin);
            const qsizetype previousComma = before.lastIndexOf(QLatin1Char(','));
            if (previousComma >= 0 && before.mid(previousComma + 1).trimmed().isEmpty())
                begin = node->m_parent->m_begin + int(previousComma);
        }
    }
    const auto [lineBegin, lineEnd] = m_rewriter->wholeLines(begin, end);

    Node *parent = node->m_parent;
    const QByteArray parentProperty = node->m_parentProperty;
    const QList<Node *> subtree = node->subtreeNodes();
    QList<Node *> deselected;
    for (Node *removed : subtree) {
        if (m_selection.removeOne(removed))
            deselected.append(removed);
    }

    auto position = std::find_if(parent->m_children.begin(),
                                 parent->m_children.end(),
                                 [node](const auto &child) { return child.get() == node; });
    std::unique_ptr<Node> detached = std::move(*position);
    parent->m_children.erase(position);
    m_rewriter->replace(lineBegin, lineEnd, QString());

    notifyViews([&](DesignerView *view) { view->nodeRemoved(parent, parentProperty); });
    if (!deselected.isEmpty()) {
        const QList<Node *> selected = m_selection;
        notifyViews([&](DesignerView *view) { view->selectionChanged(selected, deselected); });
    }
    return true;
}

bool DocumentModel::reparentNode(Node *node, Node *newParent)
{
    if (!node || !newParent || node->model() != this || newParent->model() != this
        || node->isRootNode() || node == newParent || node->isAncestorOf(newParent)
        || node->m_parent == newParent || !node->m_parentProperty.isEmpty())
        return false;
    if (!flushTextChanges())
        return false;

    // The object's text moves as it is, so the ranges inside it move by one
    // offset: keep them relative to its start while it is out of the tree.
    const auto [begin, end] = m_rewriter->wholeLines(node->m_begin, node->m_end);
    QString moved = m_rewriter->text(begin, end);
    int relativeStart = node->m_begin - begin;
    if (!moved.endsWith(QLatin1Char('\n'))) {
        const QString indentation = m_rewriter->indentationAt(node->m_begin);
        moved = indentation + moved.trimmed() + QLatin1Char('\n');
        relativeStart = int(indentation.size());
    }

    Node *oldParent = node->m_parent;
    auto position = std::find_if(oldParent->m_children.begin(),
                                 oldParent->m_children.end(),
                                 [node](const auto &child) { return child.get() == node; });
    std::unique_ptr<Node> detached = std::move(*position);
    oldParent->m_children.erase(position);

    auto moveRanges = [node](int delta) {
        for (Node *inner : node->subtreeNodes()) {
            inner->m_begin += delta;
            inner->m_end += delta;
            inner->m_bodyOpen += delta;
            inner->m_bodyClose += delta;
            if (inner->m_idEnd >= 0)
                inner->m_idEnd += delta;
            for (Node::Property &property : inner->m_properties) {
                property.begin += delta;
                property.end += delta;
                property.valueBegin += delta;
                property.valueEnd += delta;
                if (property.groupEnd >= 0)
                    property.groupEnd += delta;
            }
        }
    };
    moveRanges(-node->m_begin);
    m_rewriter->replace(begin, end, QString());

    // On its own lines in front of the new parent's closing brace when that
    // brace starts its line, else in front of the brace itself.
    const int close = newParent->m_bodyClose;
    const int closeLineBegin = m_rewriter->lineStart(close);
    int insertAt = closeLineBegin;
    QString inserted = moved;
    if (!m_rewriter->text(closeLineBegin, close).trimmed().isEmpty()) {
        insertAt = close;
        inserted = QLatin1Char('\n') + moved;
    }
    m_rewriter->replace(insertAt, insertAt, inserted);
    moveRanges(insertAt + int(inserted.size() - moved.size()) + relativeStart);

    detached->m_parent = newParent;
    newParent->m_children.push_back(std::move(detached));

    notifyViews([&](DesignerView *view) { view->nodeReparented(node, newParent, oldParent); });
    return true;
}

void DocumentModel::setAuxiliaryData(Node *node, const QByteArray &name, const QVariant &data)
{
    if (!node || node->model() != this)
        return;
    node->m_auxiliaryData.insert(name, data);
    notifyViews([&](DesignerView *view) { view->auxiliaryDataChanged(node, name, data); });
}

void DocumentModel::attachView(DesignerView *view)
{
    if (!view || m_views.contains(view))
        return;
    if (DocumentModel *other = view->model())
        other->detachView(view);
    m_views.append(view);
    view->modelAttached(this);
}

void DocumentModel::detachView(DesignerView *view)
{
    if (!m_views.contains(view))
        return;
    view->modelAboutToBeDetached(this);
    m_views.removeOne(view);
}

} // namespace Host::Designer
