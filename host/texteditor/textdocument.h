#pragma once

#include "texteditor_global.h"

#include <core/document.h>

QT_BEGIN_NAMESPACE
class QTextDocument;
QT_END_NAMESPACE

namespace Host::TextEditor {

// A document edited as plain text. Owns the QTextDocument that editors show
// and that other components (the designer's rewriter) read and change.
class HOST_TEXTEDITOR_EXPORT TextDocument : public Core::Document
{
    Q_OBJECT

public:
    explicit TextDocument(QObject *parent = nullptr);
    ~TextDocument() override;

    QTextDocument *document() const { return m_document; }

    QString plainText() const;
    void setPlainText(const QString &text);

    // Reads the file as UTF-8 and makes it this document's file. Returns false
    // (and sets `errorString`) when it cannot be read; the text is then unchanged.
    bool open(const Utils::Path &filePath, QString *errorString = nullptr);
    // Writes the text as UTF-8 to the document's file.
    bool save(QString *errorString = nullptr);

private:
    QTextDocument *m_document;
};

} // namespace Host::TextEditor
