#include "languages/languagemodel.h"

#include <QFile>

#include <algorithm>

namespace Lexora {

LanguageModel::LanguageModel(QObject *parent) : QAbstractListModel(parent)
{
    initializeFlagResources();
    registerLanguageMetaTypes();
}

int LanguageModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_languages.size());
}

QVariant LanguageModel::data(const QModelIndex &index, int role) const
{
    if (!isValidRow(index))
        return {};

    const Language &language = languageAt(index);
    switch (role) {
    case Qt::DisplayRole:
        return language.nameString();
    case Qt::DecorationRole:
        return flagIcon(language.codeString());
    case Qt::UserRole:
        return language.codeString();
    default:
        return {};
    }
}

QIcon LanguageModel::flagIcon(const QString &code)
{
    initializeFlagResources();
    const QString flagPath = QStringLiteral(":/flags/%1.png").arg(code);
    if (!code.isEmpty() && QFile::exists(flagPath))
        return QIcon(flagPath);
    return QIcon(QStringLiteral(":/flags/placeholder.png"));
}

void LanguageModel::setLanguages(const Languages &languages)
{
    beginResetModel();
    m_languages = languages;
    std::sort(m_languages.begin(), m_languages.end(), [](const Language &a, const Language &b) {
        return QString::localeAwareCompare(a.nameString(), b.nameString()) < 0;
    });
    endResetModel();
    emit languagesChanged(m_languages);
}

void LanguageModel::setPrimaryLanguage(const Language &language)
{
    m_primaryLanguage = language;
    emit primaryLanguageChanged(m_primaryLanguage);
}

bool LanguageModel::isValidRow(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid()
        && index.column() == 0 && index.row() >= 0
        && static_cast<std::size_t>(index.row()) < m_languages.size();
}

const Language &LanguageModel::languageAt(const QModelIndex &index) const
{
    return m_languages[static_cast<std::size_t>(index.row())];
}

} // namespace Lexora
