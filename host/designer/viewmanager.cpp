#include "viewmanager.h"

#include "designerview.h"
#include "documentmodel.h"
#include "formdocument.h"

#include <core/editorcontext.h>
#include <texteditor/textdocument.h>

#include <QCoreApplication>

#include <algorithm>

namespace Host::Designer {

ViewManager::ViewManager(QObject *parent) : QObject(parent) { }

ViewManager::~ViewManager()
{
    destroyViews();
}

ViewManager *ViewManager::instance()
{
    static QPointer<ViewManager> manager;
    if (!manager)
        manager = new ViewManager(QCoreApplication::instance());
    return manager;
}

void ViewManager::registerView(std::unique_ptr<DesignerView> view)
{
    if (!view)
        return;
    DesignerView *registered = view.get();
    m_views.push_back(std::move(view));
    if (m_currentDocument)
        m_currentDocument->model()->attachView(registered);
}

QList<DesignerView *> ViewManager::views() const
{
    QList<DesignerView *> views;
    for (const auto &view : m_views)
        views.append(view.get());
    return views;
}

void ViewManager::unregisterView(DesignerView *view)
{
    const auto position = std::find_if(
        m_views.begin(), m_views.end(), [view](const auto &each) { return each.get() == view; });
    if (position == m_views.end())
        return;
    if (DocumentModel *model = view->model())
        model->detachView(view);
    // Out of the list before it is deleted, so nothing reaches it meanwhile.
    std::unique_ptr<DesignerView> unregistered = std::move(*position);
    m_views.erase(position);
}

void ViewManager::destroyViews()
{
    // Detached first: a view's notifications may reach the others.
    for (const auto &view : m_views) {
        if (DocumentModel *model = view->model())
            model->detachView(view.get());
    }
    m_views.clear();
}

void ViewManager::setCurrentDocument(FormDocument *document)
{
    if (document == m_currentDocument)
        return;
    if (m_currentDocument) {
        for (const auto &view : m_views)
            m_currentDocument->model()->detachView(view.get());
    }
    m_currentDocument = document;
    if (document) {
        for (const auto &view : m_views)
            document->model()->attachView(view.get());
        Core::EditorContext::instance()->setCurrentDocument(document->textDocument());
    }
    emit currentDocumentChanged(document);
}

} // namespace Host::Designer
