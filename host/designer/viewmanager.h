#pragma once

#include "designer_global.h"
#include "formdocument.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace Host::Designer {

class DesignerView;

// Owns the designer's views and keeps them attached to the model of the
// current form document: switching documents detaches every view from the old
// model and attaches it to the new one.
class HOST_DESIGNER_EXPORT ViewManager : public QObject
{
    Q_OBJECT

public:
    explicit ViewManager(QObject *parent = nullptr);
    ~ViewManager() override;

    // The process-wide manager; lives as long as the application object.
    static ViewManager *instance();

    // Takes ownership. The view is attached at once when a document is current.
    void registerView(std::unique_ptr<DesignerView> view);
    QList<DesignerView *> views() const;
    // Detaches and deletes the view, for a plugin whose services the view
    // uses going away before the designer does. Unknown views are ignored.
    void unregisterView(DesignerView *view);
    // Detaches and deletes every registered view (at shutdown).
    void destroyViews();

    FormDocument *currentDocument() const { return m_currentDocument; }
    // Not owned; null detaches the views.
    void setCurrentDocument(FormDocument *document);

signals:
    void currentDocumentChanged(Host::Designer::FormDocument *document);

private:
    std::vector<std::unique_ptr<DesignerView>> m_views;
    QPointer<FormDocument> m_currentDocument;
};

} // namespace Host::Designer
