#include "editorcontext.h"

#include "document.h"

#include <utils/lazyinstance.h>

namespace Host::Core {

EditorContext *EditorContext::instance()
{
    return Utils::lazyInstance<EditorContext>([] { return new EditorContext; });
}

EditorContext::EditorContext() = default;

EditorContext::~EditorContext() = default;

Document *EditorContext::currentDocument() const
{
    return m_document.data();
}

Utils::Path EditorContext::currentFilePath() const
{
    return m_document ? m_document->filePath() : Utils::Path();
}

void EditorContext::requestOpenFile(const Utils::Path &file, int line)
{
    emit openFileRequested(file, line);
}

void EditorContext::setCurrentDocument(Document *document)
{
    if (document == m_document.data())
        return;
    const Utils::Path before = m_reportedPath;
    disconnect(m_pathConnection);
    disconnect(m_destroyedConnection);
    m_document = document;
    if (document) {
        m_pathConnection = connect(
            document,
            &Document::filePathChanged,
            this,
            [this](const Utils::Path &, const Utils::Path &) { notifyPathChange(m_reportedPath); });
        // The guarded pointer is already null when destroyed() arrives.
        m_destroyedConnection = connect(document, &QObject::destroyed, this, [this] {
            emit currentDocumentChanged(nullptr);
            notifyPathChange(m_reportedPath);
        });
    }
    emit currentDocumentChanged(document);
    notifyPathChange(before);
}

void EditorContext::notifyPathChange(Utils::Path before)
{
    const Utils::Path now = currentFilePath();
    m_reportedPath = now;
    if (now != before)
        emit currentFilePathChanged(now);
}

} // namespace Host::Core
