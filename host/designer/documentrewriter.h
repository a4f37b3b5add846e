#pragma once

#include "designer_global.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

QT_BEGIN_NAMESPACE
class QTextDocument;
QT_END_NAMESPACE

namespace Host::Designer {

class DocumentModel;
class Node;

// Keeps a DocumentModel and the text of its document in step.
//
// Model → text: a change made through the model replaces exactly the text of
// the changed binding, property or object and moves the source ranges of
// everything behind it; no other byte of the document changes.
//
// Text → model: an edit of the text (typing in the editor) is picked up after
// the synchronisation delay, or at once by synchronizeWithText(). When the
// edited text has the same objects as before, the views are told which
// properties were removed and which bindings changed; otherwise the model is
// rebuilt and the views are detached and attached again. Text that does not
// parse leaves the model as it was.
class HOST_DESIGNER_EXPORT DocumentRewriter : public QObject
{
    Q_OBJECT

public:
    DocumentRewriter(DocumentModel *model, QTextDocument *textDocument);
    ~DocumentRewriter() override;

    // Returns false when the text does not parse.
    bool synchronizeWithText();
    bool hasPendingTextChanges() const { return m_pending; }
    void setSynchronizationDelay(int milliseconds) { m_timer.setInterval(milliseconds); }
    QStringList errors() const { return m_errors; }

    // The innermost node whose source range holds the position; null outside
    // the root object. Lines and columns are 1-based, as QML reports them.
    Node *nodeAtOffset(int offset) const;
    Node *nodeAtPosition(int line, int column) const;
    int offsetOf(int line, int column) const;
    // 1-based line and column of a text offset.
    std::pair<int, int> lineAndColumn(int offset) const;

    // Replaces the text in [begin, end) and moves the source ranges behind it.
    void replace(int begin, int end, const QString &text);
    QString text(int begin, int end) const;
    // The range grown to whole lines when nothing but blanks shares them.
    std::pair<int, int> wholeLines(int begin, int end) const;
    // The offset of the start of the line holding `offset`.
    int lineStart(int offset) const;
    // The blanks that start the line holding `offset`.
    QString indentationAt(int offset) const;

signals:
    void errorsChanged();

private:
    void onContentsChange(int position, int charsRemoved, int charsAdded);
    static void shiftOffsets(Node *node, int threshold, int delta);
    static bool sameShape(const Node *a, const Node *b);

    DocumentModel *m_model;
    QTextDocument *m_textDocument;
    QTimer m_timer;
    QStringList m_errors;
    bool m_writing = false;
    bool m_pending = false;
};

} // namespace Host::Designer
