#include "translationitemdelegate.h"

#include "translationsview/translationsmodel.h"

#include <QPlainTextEdit>

namespace Lexora {

namespace {

QPlainTextEdit *formsEditor(QWidget *editor)
{
    return qobject_cast<QPlainTextEdit *>(editor);
}

} // namespace

QWidget *TranslationItemDelegate::createEditor(QWidget *parent,
                                               const QStyleOptionViewItem &option,
                                               const QModelIndex &index) const
{
    if (!index.data(TranslationsModel::PluralFormsRole).toBool())
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *editor = new QPlainTextEdit(parent);
    editor->setObjectName(QStringLiteral("pluralFormsEditor"));
    editor->setToolTip(tr("One plural form per line, in the order of the language's plural "
                          "rules. Leaving the box stores the forms."));
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab moves on, as in the other cells, instead of typing a tab.
    editor->setTabChangesFocus(true);
    return editor;
}

void TranslationItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (QPlainTextEdit *forms = formsEditor(editor))
        forms->setPlainText(index.data(Qt::EditRole).toString());
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void TranslationItemDelegate::setModelData(QWidget *editor,
                                           QAbstractItemModel *model,
                                           const QModelIndex &index) const
{
    if (QPlainTextEdit *forms = formsEditor(editor))
        model->setData(index, forms->toPlainText(), Qt::EditRole);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

void TranslationItemDelegate::initStyleOption(QStyleOptionViewItem *option,
                                              const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == 0)
        option->textElideMode = Qt::ElideMiddle;
}

void TranslationItemDelegate::updateEditorGeometry(QWidget *editor,
                                                   const QStyleOptionViewItem &option,
                                                   const QModelIndex &index) const
{
    QPlainTextEdit *forms = formsEditor(editor);
    if (!forms) {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    // Room for every form the cell holds and one more line, over the rows
    // below; the cell's own height shows only one.
    const int lines = int(index.data(Qt::EditRole).toString().count(QLatin1Char('\n'))) + 2;
    QRect rect = option.rect;
    rect.setHeight(std::max(rect.height(), lines * forms->fontMetrics().lineSpacing() + 8));
    forms->setGeometry(rect);
}

} // namespace Lexora
