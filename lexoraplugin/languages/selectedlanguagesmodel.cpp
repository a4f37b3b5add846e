#include "languages/selectedlanguagesmodel.h"

namespace Lexora {

SelectedLanguagesModel::SelectedLanguagesModel(QObject *parent) : LanguageModel(parent) { }

Qt::ItemFlags SelectedLanguagesModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags itemFlags = LanguageModel::flags(index);
    if (isValidRow(index))
        itemFlags |= Qt::ItemIsUserCheckable;
    return itemFlags;
}

QVariant SelectedLanguagesModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::CheckStateRole)
        return LanguageModel::data(index, role);
    if (!isValidRow(index))
        return {};
    return languageAt(index) == primaryLanguage() ? Qt::Checked : Qt::Unchecked;
}

bool SelectedLanguagesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !isValidRow(index))
        return false;

    // Whatever the view asks for, the clicked row becomes primary: a project always has one
    // primary language, so the mark can move but never be cleared. The old and the new row
    // both change, hence the reset.
    Q_UNUSED(value)
    beginResetModel();
    setPrimaryLanguage(languageAt(index));
    endResetModel();
    return true;
}

} // namespace Lexora
