#include "languages/alllanguagesmodel.h"

#include <algorithm>

namespace Lexora {

AllLanguagesModel::AllLanguagesModel(QObject *parent) : LanguageModel(parent) { }

Qt::ItemFlags AllLanguagesModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags itemFlags = LanguageModel::flags(index);
    if (isValidRow(index))
        itemFlags |= Qt::ItemIsUserCheckable;
    return itemFlags;
}

QVariant AllLanguagesModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::CheckStateRole)
        return LanguageModel::data(index, role);
    if (!isValidRow(index))
        return {};
    return isSelected(languageAt(index)) ? Qt::Checked : Qt::Unchecked;
}

bool AllLanguagesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !isValidRow(index))
        return false;

    const Language language = languageAt(index);
    if (static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked) {
        // Checking a language twice must not list it twice in the project.
        if (!isSelected(language))
            m_selectedLanguages.push_back(language);
    } else {
        std::erase(m_selectedLanguages, language);
    }

    emit selectedLanguagesChanged(m_selectedLanguages);
    emit dataChanged(index, index);
    return true;
}

void AllLanguagesModel::setSelectedLanguages(const Languages &languages)
{
    m_selectedLanguages = languages;
    emit selectedLanguagesChanged(m_selectedLanguages);
}

bool AllLanguagesModel::isSelected(const Language &language) const
{
    return std::find(m_selectedLanguages.begin(), m_selectedLanguages.end(), language)
        != m_selectedLanguages.end();
}

} // namespace Lexora
