#pragma once

#include "designer_global.h"
#include "nodeproperty.h"
#include "typedescription.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <memory>

QT_BEGIN_NAMESPACE
class QTextDocument;
QT_END_NAMESPACE

namespace Host::Designer {

class DesignerView;
class DocumentRewriter;
class Node;

// The designer's model of one QML document: the tree of its objects, their
// properties and bindings, data the tools keep per node, and the selection.
// The model is built from the text of a QTextDocument and every change made
// through it is written back into that text by its DocumentRewriter, which
// also brings the model in line again when the text itself is edited. Every
// change is announced to the attached views.
class HOST_DESIGNER_EXPORT DocumentModel : public QObject
{
    Q_OBJECT

public:
    explicit DocumentModel(QTextDocument *textDocument, QObject *parent = nullptr);
    ~DocumentModel() override;

    QTextDocument *textDocument() const { return m_textDocument; }
    DocumentRewriter *rewriter() const { return m_rewriter.get(); }

    // The document's location; types written in files beside it resolve from there.
    QUrl fileUrl() const { return m_fileUrl; }
    void setFileUrl(const QUrl &url) { m_fileUrl = url; }

    // Builds the model from the current text. Returns false when the text does
    // not parse; the model then keeps what it had and errors() says why.
    bool load();
    QStringList errors() const;

    Node *rootNode() const { return m_root.get(); }
    // Every node, depth first in document order.
    QList<Node *> allNodes() const;
    Node *nodeForId(const QString &id) const;
    // The document's import lines as written.
    QString imports() const { return m_imports; }
    TypeDescription typeDescription(const QString &typeName) const;

    QList<Node *> selectedNodes() const { return m_selection; }
    void setSelectedNodes(const QList<Node *> &nodes);
    void clearSelection() { setSelectedNodes({}); }

    // Changes, written into the text. Each returns false and changes nothing
    // when it does not apply (a node of another model, an invalid name, ...).
    bool setBindingProperty(Node *node, const QByteArray &name, const QString &expression);
    bool removeProperties(const NodeProperties &properties);
    bool removeNode(Node *node);
    // Moves the node behind the last child of `newParent`.
    bool reparentNode(Node *node, Node *newParent);
    // Kept with the node only, never written into the text.
    void setAuxiliaryData(Node *node, const QByteArray &name, const QVariant &data);

    void attachView(DesignerView *view);
    void detachView(DesignerView *view);
    QList<DesignerView *> views() const { return m_views; }

signals:
    // The model was built anew (load, or a text edit that changed its structure).
    void rootNodeChanged();

private:
    friend class DocumentRewriter;

    // Brings the model up to date with text edits not yet synchronised.
    // False when that rebuilt the tree, so node pointers held by the caller
    // may be gone, or when the text does not parse.
    bool flushTextChanges();
    void installRoot(std::unique_ptr<Node> root, const QString &imports);

    template<typename Notification> void notifyViews(Notification &&notification)
    {
        // A view may detach itself (or another) while being told.
        const QList<DesignerView *> views = m_views;
        for (DesignerView *view : views) {
            if (m_views.contains(view))
                notification(view);
        }
    }

    QTextDocument *m_textDocument;
    std::unique_ptr<Node> m_root;
    std::unique_ptr<DocumentRewriter> m_rewriter;
    QString m_imports;
    QUrl m_fileUrl;
    QList<Node *> m_selection;
    QList<DesignerView *> m_views;
    int m_generation = 0;
};

} // namespace Host::Designer
