#include "formdocument.h"

#include "documentmodel.h"
#include "documentrewriter.h"

#include <projects/project.h>
#include <projects/session.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditorwidget.h>

#include <QUrl>

namespace Host::Designer {

FormDocument::FormDocument(QObject *parent)
    : QObject(parent),
      m_textDocument(new TextEditor::TextDocument(this)),
      m_model(new DocumentModel(m_textDocument->document(), this))
{ }

FormDocument::~FormDocument()
{
    if (m_editorWidget && !m_editorWidget->parent())
        delete m_editorWidget;
}

bool FormDocument::open(const Utils::Path &filePath, QString *errorString)
{
    if (!m_textDocument->open(filePath, errorString))
        return false;
    m_model->setFileUrl(QUrl::fromLocalFile(filePath.toString()));
    return setText(m_textDocument->plainText(), errorString);
}

bool FormDocument::setText(const QString &text, QString *errorString)
{
    if (m_textDocument->plainText() != text)
        m_textDocument->setPlainText(text);
    if (m_model->load())
        return true;
    if (errorString)
        *errorString = m_model->errors().join(QLatin1Char('\n'));
    return false;
}

Utils::Path FormDocument::filePath() const
{
    return m_textDocument->filePath();
}

Utils::Path FormDocument::projectDirectory() const
{
    if (Projects::Project *project = Projects::Session::instance()->projectForFile(filePath()))
        return project->projectDirectory();
    return filePath().parentDir();
}

QTextDocument *FormDocument::document() const
{
    return m_textDocument->document();
}

DocumentRewriter *FormDocument::rewriter() const
{
    return m_model->rewriter();
}

TextEditor::TextEditorWidget *FormDocument::textEditorWidget()
{
    if (!m_editorWidget)
        m_editorWidget = new TextEditor::TextEditorWidget(m_textDocument);
    return m_editorWidget;
}

} // namespace Host::Designer
