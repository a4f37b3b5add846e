#pragma once

#include "texteditor_global.h"

#include <QPlainTextEdit>

namespace Host::TextEditor {

class TextDocument;

// The widget that shows and edits a TextDocument. Several widgets may show the
// same document; none of them owns it.
class HOST_TEXTEDITOR_EXPORT TextEditorWidget : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TextEditorWidget(TextDocument *document, QWidget *parent = nullptr);
    ~TextEditorWidget() override;

    TextDocument *textDocument() const { return m_textDocument; }

    // Puts the cursor on a 1-based line and column and shows it.
    void gotoLine(int line, int column = 1);

private:
    TextDocument *m_textDocument;
};

} // namespace Host::TextEditor
