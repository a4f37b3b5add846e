#pragma once

#include "formeditor_global.h"
#include "formview.h"

#include <designer/designerview.h>

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QTimer>

namespace Host::FormEditor {

// The designer view behind the form view: renders the attached document again
// whenever its text changed, and frames every node that carries a frame colour
// (as translation tests leave them) around the items made for it. The form is
// where nodes are chosen too: a click selects the node under the pointer, the
// model's selection is drawn on it, and it shows the root's state the user
// picks (or the one the selected node belongs to).
class HOST_FORMEDITOR_EXPORT FormEditorView : public Designer::DesignerView
{
    Q_OBJECT

public:
    explicit FormEditorView(QObject *parent = nullptr);
    ~FormEditorView() override;

    // Made on the first request for the widget; owned by whoever shows it.
    FormView *formView() const { return m_formView; }
    // Text edits arrive in bursts while the user types; the form is rendered
    // once they pause this long (milliseconds).
    void setRenderDelay(int milliseconds) { m_renderTimer.setInterval(milliseconds); }
    // Renders pending changes now.
    void renderNow();

    // Where the node is declared, as Qt's QML compiler records it for the
    // objects it creates: the line and column of the node's type name.
    static FormView::SourcePosition declarationPosition(Designer::Node *node);
    // The names of the root's states, in document order.
    static QStringList stateNames(Designer::DocumentModel *model);
    // Where the frame of a node goes in `formView`: its declaration, or for
    // a state's changes (which make no item) the object they target.
    static FormView::SourcePosition framedPosition(const FormView *formView, Designer::Node *node);
    // The compiled translation file of `language` for the document at `url`:
    // i18n/qml_<language>.qm in the directory of the project that holds it
    // (the nearest directory upwards with a .qmlproject file), else beside it;
    // for a language that project offers for previewing only, in the
    // directory it names for it.
    static QString translationFileFor(const QUrl &url, const QString &language);
    // The Issues list category of the open document's QML errors: what keeps
    // it from parsing or its form from loading.
    static constexpr char issueCategory[] = "QML";

    void modelAttached(Designer::DocumentModel *model) override;
    void modelAboutToBeDetached(Designer::DocumentModel *model) override;
    void nodeRemoved(Designer::Node *parentNode, const QByteArray &parentProperty) override;
    void nodeReparented(Designer::Node *node,
                        Designer::Node *newParent,
                        Designer::Node *oldParent) override;
    void propertiesRemoved(const Designer::NodeProperties &properties) override;
    void bindingPropertiesChanged(const Designer::NodeProperties &properties) override;
    void auxiliaryDataChanged(Designer::Node *node,
                              const QByteArray &name,
                              const QVariant &data) override;
    void selectionChanged(const QList<Designer::Node *> &selected,
                          const QList<Designer::Node *> &deselected) override;
    bool hasWidget() const override { return true; }
    Designer::ViewWidgetDescription widgetDescription() override;

private:
    void scheduleRender();
    void updateFrames();
    void updateLanguage();
    void translationFileTouched();
    void publishIssues();
    void updateSelection();
    void updateItemNames();
    void selectAt(const FormView::SourcePosition &position, Qt::KeyboardModifiers modifiers);
    static FormView::SourcePosition declarationPosition(Designer::Node *node, const QString &text);

    QPointer<FormView> m_formView;
    QTimer m_renderTimer;
    // A generation writes the translation file anew; the form shows the new
    // texts without the language being picked again.
    QFileSystemWatcher m_translationWatcher;
    QTimer m_translationTimer;
    QDateTime m_translationModified;
};

} // namespace Host::FormEditor
