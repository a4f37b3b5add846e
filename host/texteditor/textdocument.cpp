#include "textdocument.h"

#include <QFile>
#include <QPlainTextDocumentLayout>
#include <QSaveFile>
#include <QTextDocument>

namespace Host::TextEditor {

TextDocument::TextDocument(QObject *parent)
    : Core::Document(parent), m_document(new QTextDocument(this))
{
    // A plain-text editor refuses a document with the rich-text layout.
    m_document->setDocumentLayout(new QPlainTextDocumentLayout(m_document));
}

TextDocument::~TextDocument() = default;

QString TextDocument::plainText() const
{
    return m_document->toPlainText();
}

void TextDocument::setPlainText(const QString &text)
{
    m_document->setPlainText(text);
}

bool TextDocument::open(const Utils::Path &filePath, QString *errorString)
{
    QFile file(filePath.toString());
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    setPlainText(QString::fromUtf8(file.readAll()));
    m_document->setModified(false);
    setFilePath(filePath);
    return true;
}

bool TextDocument::save(QString *errorString)
{
    QSaveFile file(filePath().toString());
    if (!file.open(QIODevice::WriteOnly) || file.write(plainText().toUtf8()) < 0
        || !file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    m_document->setModified(false);
    return true;
}

} // namespace Host::TextEditor
