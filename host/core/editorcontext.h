#pragma once

#include "core_global.h"

#include <utils/path.h>

#include <QObject>
#include <QPointer>

namespace Host::Core {

class Document;

// Which document the user is editing. The editor area sets it whenever another
// editor takes the focus; plugins read it and follow its change signal.
class HOST_CORE_EXPORT EditorContext : public QObject
{
    Q_OBJECT

public:
    // The process-wide context; created on first use, lives on the interface thread.
    static EditorContext *instance();

    Document *currentDocument() const;
    // Not owned. A document that is destroyed stops being current.
    void setCurrentDocument(Document *document);
    // The current document's file, or an empty path without one.
    Utils::Path currentFilePath() const;

    // Asks the editor area to show `file` with the cursor on `line` (counted
    // from 1; -1 for none), for tools that point at a place in the project.
    void requestOpenFile(const Utils::Path &file, int line = -1);

signals:
    void openFileRequested(const Host::Utils::Path &file, int line);
    void currentDocumentChanged(Host::Core::Document *document);
    // Also emitted when the current document is renamed.
    void currentFilePathChanged(const Host::Utils::Path &filePath);

public:
    ~EditorContext() override;

private:
    EditorContext();
    void notifyPathChange(Utils::Path before); // by value: callers pass m_reportedPath

    QPointer<Document> m_document;
    Utils::Path m_reportedPath;
    QMetaObject::Connection m_pathConnection;
    QMetaObject::Connection m_destroyedConnection;
};

} // namespace Host::Core
