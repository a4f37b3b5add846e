#include "documentrewriter.h"

#include "designerview.h"
#include "documentmodel.h"
#include "documentparser.h"
#include "node.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace Host::Designer {

namespace {

bool isBlank(QChar character)
{
    return character == QLatin1Char(' ') || character == QLatin1Char('\t');
}

} // namespace

// Moves every offset behind an edit that ended at `threshold` (in the old
// text) by `delta`. A range that ends exactly where text is inserted stays as
// it is, a range that starts there moves.
void DocumentRewriter::shiftOffsets(Node *node, int threshold, int delta)
{
    auto shiftStart = [&](int &offset) {
        if (offset >= threshold)
            offset += delta;
    };
    auto shiftEnd = [&](int &offset) {
        if (offset > threshold)
            offset += delta;
    };
    // Nodes wholly before the edit keep their offsets, and so does all below them.
    if (node->m_end < threshold)
        return;
    shiftStart(node->m_begin);
    shiftEnd(node->m_end);
    shiftStart(node->m_bodyOpen);
    shiftStart(node->m_bodyClose);
    if (node->m_idEnd >= 0)
        shiftEnd(node->m_idEnd);
    for (Node::Property &property : node->m_properties) {
        shiftStart(property.begin);
        shiftEnd(property.end);
        shiftStart(property.valueBegin);
        shiftEnd(property.valueEnd);
        if (property.groupEnd >= 0)
            shiftEnd(property.groupEnd);
    }
    for (const auto &child : node->m_children)
        shiftOffsets(child.get(), threshold, delta);
}

bool DocumentRewriter::sameShape(const Node *a, const Node *b)
{
    if (a->m_typeName != b->m_typeName || a->m_parentProperty != b->m_parentProperty
        || a->m_children.size() != b->m_children.size())
        return false;
    for (std::size_t index = 0; index < a->m_children.size(); ++index) {
        if (!sameShape(a->m_children[index].get(), b->m_children[index].get()))
            return false;
    }
    return true;
}

DocumentRewriter::DocumentRewriter(DocumentModel *model, QTextDocument *textDocument)
    : m_model(model), m_textDocument(textDocument)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &DocumentRewriter::synchronizeWithText);
    connect(
        textDocument, &QTextDocument::contentsChange, this, &DocumentRewriter::onContentsChange);
}

DocumentRewriter::~DocumentRewriter() = default;

void DocumentRewriter::onContentsChange(int, int charsRemoved, int charsAdded)
{
    if (m_writing || (charsRemoved == 0 && charsAdded == 0))
        return;
    m_pending = true;
    m_timer.start();
}

bool DocumentRewriter::synchronizeWithText()
{
    m_timer.stop();

    DocumentParser::Result parsed = DocumentParser::parse(m_textDocument->toPlainText());
    if (parsed.errors != m_errors) {
        m_errors = parsed.errors;
        emit errorsChanged();
    }
    // The model keeps the ranges of the last text that parsed, which no longer
    // match the text: the changes stay pending until the text parses again.
    if (!parsed.root)
        return false;
    m_pending = false;

    Node *oldRoot = m_model->m_root.get();
    if (!oldRoot || !sameShape(oldRoot, parsed.root.get())
        || parsed.imports != m_model->m_imports) {
        m_model->installRoot(std::move(parsed.root), parsed.imports);
        return true;
    }

    // Same objects: tell the views what happened to the properties and take
    // over the new text's ranges, keeping the nodes (and what views hold of them).
    const QList<Node *> oldNodes = oldRoot->subtreeNodes();
    const QList<Node *> newNodes = parsed.root->subtreeNodes();
    NodeProperties removed;
    NodeProperties changed;
    for (qsizetype index = 0; index < oldNodes.size(); ++index) {
        Node *oldNode = oldNodes[index];
        const Node *newNode = newNodes[index];
        for (const Node::Property &oldProperty : oldNode->m_properties) {
            const Node::Property *newProperty = newNode->findProperty(oldProperty.name);
            if (!newProperty)
                removed.append(NodeProperty(oldNode, oldProperty.name));
            else if ((oldProperty.binding || newProperty->binding)
                     && (oldProperty.binding != newProperty->binding
                         || oldProperty.expression != newProperty->expression))
                changed.append(NodeProperty(oldNode, oldProperty.name));
        }
        for (const Node::Property &newProperty : newNode->m_properties) {
            if (newProperty.binding && !oldNode->findProperty(newProperty.name))
                changed.append(NodeProperty(oldNode, newProperty.name));
        }
    }

    if (!removed.isEmpty())
        m_model->notifyViews(
            [&](DesignerView *view) { view->propertiesAboutToBeRemoved(removed); });
    if (!changed.isEmpty())
        m_model->notifyViews(
            [&](DesignerView *view) { view->bindingPropertiesAboutToBeChanged(changed); });

    for (qsizetype index = 0; index < oldNodes.size(); ++index) {
        Node *oldNode = oldNodes[index];
        Node *newNode = newNodes[index];
        oldNode->m_properties = std::move(newNode->m_properties);
        oldNode->m_id = newNode->m_id;
        oldNode->m_begin = newNode->m_begin;
        oldNode->m_end = newNode->m_end;
        oldNode->m_bodyOpen = newNode->m_bodyOpen;
        oldNode->m_bodyClose = newNode->m_bodyClose;
        oldNode->m_idEnd = newNode->m_idEnd;
        oldNode->m_inArray = newNode->m_inArray;
    }

    if (!removed.isEmpty())
        m_model->notifyViews([&](DesignerView *view) { view->propertiesRemoved(removed); });
    if (!changed.isEmpty())
        m_model->notifyViews([&](DesignerView *view) { view->bindingPropertiesChanged(changed); });
    return true;
}

Node *DocumentRewriter::nodeAtOffset(int offset) const
{
    Node *node = m_model->rootNode();
    if (!node || offset < node->m_begin || offset >= node->m_end)
        return nullptr;
    for (bool descended = true; descended;) {
        descended = false;
        for (const auto &child : node->m_children) {
            if (offset >= child->m_begin && offset < child->m_end) {
                node = child.get();
                descended = true;
                break;
            }
        }
    }
    return node;
}

Node *DocumentRewriter::nodeAtPosition(int line, int column) const
{
    const int offset = offsetOf(line, column);
    return offset < 0 ? nullptr : nodeAtOffset(offset);
}

int DocumentRewriter::offsetOf(int line, int column) const
{
    const QTextBlock block = m_textDocument->findBlockByNumber(line - 1);
    if (!block.isValid() || column < 1 || column > block.length())
        return -1;
    return block.position() + column - 1;
}

std::pair<int, int> DocumentRewriter::lineAndColumn(int offset) const
{
    const QTextBlock block = m_textDocument->findBlock(offset);
    if (!block.isValid())
        return { -1, -1 };
    return { block.blockNumber() + 1, offset - block.position() + 1 };
}

void DocumentRewriter::replace(int begin, int end, const QString &text)
{
    QTextCursor cursor(m_textDocument);
    cursor.setPosition(begin);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    m_writing = true;
    // Inside an edit block the cursor leaves its visual position unset
    // instead of laying out the block again, which in a long document can
    // mean measuring the width of every line.
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    m_writing = false;

    const int delta = int(text.size()) - (end - begin);
    if (delta != 0 && m_model->m_root)
        shiftOffsets(m_model->m_root.get(), end, delta);
}

QString DocumentRewriter::text(int begin, int end) const
{
    QTextCursor cursor(m_textDocument);
    cursor.setPosition(begin);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    // The cursor reports line breaks as paragraph separators.
    return cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

std::pair<int, int> DocumentRewriter::wholeLines(int begin, int end) const
{
    const QTextBlock first = m_textDocument->findBlock(begin);
    const QTextBlock last = m_textDocument->findBlock(end);
    if (!first.isValid() || !last.isValid())
        return { begin, end };

    const QString firstText = first.text();
    for (int index = 0; index < begin - first.position(); ++index) {
        if (!isBlank(firstText.at(index)))
            return { begin, end };
    }
    const QString lastText = last.text();
    for (int index = end - last.position(); index < lastText.size(); ++index) {
        if (!isBlank(lastText.at(index)))
            return { begin, end };
    }
    // Take the line break after the last line too, or before the first one at
    // the end of the document.
    const int lineEnd = last.position() + int(lastText.size());
    if (last.next().isValid())
        return { first.position(), lineEnd + 1 };
    return { std::max(0, first.position() - 1), lineEnd };
}

int DocumentRewriter::lineStart(int offset) const
{
    return m_textDocument->findBlock(offset).position();
}

QString DocumentRewriter::indentationAt(int offset) const
{
    const QString line = m_textDocument->findBlock(offset).text();
    qsizetype length = 0;
    while (length < line.size() && isBlank(line.at(length)))
        ++length;
    return line.left(length);
}

} // namespace Host::Designer
