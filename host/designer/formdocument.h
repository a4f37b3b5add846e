#pragma once

#include "designer_global.h"

#include <utils/path.h>

#include <QObject>
#include <QPointer>

QT_BEGIN_NAMESPACE
class QTextDocument;
QT_END_NAMESPACE

namespace Host::TextEditor {
class TextDocument;
class TextEditorWidget;
} // namespace Host::TextEditor

namespace Host::Designer {

class DocumentModel;
class DocumentRewriter;

// A `.qml` or `.ui.qml` file open in the designer: its text document, the
// model built from it and the text editor that shows it.
class HOST_DESIGNER_EXPORT FormDocument : public QObject
{
    Q_OBJECT

public:
    explicit FormDocument(QObject *parent = nullptr);
    ~FormDocument() override;

    // Reads the file and builds the model. False (with the reason in
    // `errorString`) when it cannot be read or does not parse.
    bool open(const Utils::Path &filePath, QString *errorString = nullptr);
    // Replaces the whole text and builds the model from it.
    bool setText(const QString &text, QString *errorString = nullptr);

    Utils::Path filePath() const;
    // The directory of the project that holds the file, else the file's directory.
    Utils::Path projectDirectory() const;

    TextEditor::TextDocument *textDocument() const { return m_textDocument; }
    QTextDocument *document() const;
    DocumentModel *model() const { return m_model; }
    DocumentRewriter *rewriter() const;

    // The editor widget showing the text; made on first use. It is deleted
    // with the document unless someone else has become its parent.
    TextEditor::TextEditorWidget *textEditorWidget();

private:
    TextEditor::TextDocument *m_textDocument;
    DocumentModel *m_model;
    QPointer<TextEditor::TextEditorWidget> m_editorWidget;
};

} // namespace Host::Designer
