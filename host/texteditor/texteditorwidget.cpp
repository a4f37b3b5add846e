#include "texteditorwidget.h"

#include "textdocument.h"

#include <QFontDatabase>
#include <QTextBlock>

namespace Host::TextEditor {

TextEditorWidget::TextEditorWidget(TextDocument *document, QWidget *parent)
    : QPlainTextEdit(parent), m_textDocument(document)
{
    setDocument(document->document());
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

TextEditorWidget::~TextEditorWidget() = default;

void TextEditorWidget::gotoLine(int line, int column)
{
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(
        QTextCursor::Right, QTextCursor::MoveAnchor, qBound(0, column - 1, block.length() - 1));
    setTextCursor(cursor);
    centerCursor();
}

} // namespace Host::TextEditor
