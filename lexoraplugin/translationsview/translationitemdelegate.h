#pragma once

#include <QStyledItemDelegate>

namespace Lexora {

// Edits the plural forms of an ID used with a count in a text box with one
// line per form, in the order of the language's plural rules; other cells get
// the usual line editor. Long IDs are cut in the middle, where IDs built from
// a screen and an element name differ least.
class TranslationItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent,
                          const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor,
                      QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor,
                              const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace Lexora
