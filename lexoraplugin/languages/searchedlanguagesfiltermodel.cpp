#include "languages/searchedlanguagesfiltermodel.h"

namespace Lexora {

namespace {

// Case and accents do not count: "portugues" finds "português".
QString folded(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (QChar character : decomposed) {
        if (character.category() != QChar::Mark_NonSpacing)
            result += character;
    }
    return result.toCaseFolded();
}

// "pt-BR" and "pt_BR" name the same variant.
QString foldedCode(const QString &code)
{
    QString result = code.toCaseFolded();
    result.replace(u'-', u'_');
    return result;
}

} // namespace

SearchedLanguagesFilterModel::SearchedLanguagesFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{ }

void SearchedLanguagesFilterModel::setTextFilter(const QString &filter)
{
    m_textFilter = filter;
    m_foldedFilter = folded(filter);
    m_foldedCodeFilter = foldedCode(filter);
    invalidateFilter();
}

bool SearchedLanguagesFilterModel::filterAcceptsRow(int sourceRow,
                                                    const QModelIndex &sourceParent) const
{
    if (m_textFilter.isEmpty())
        return true;

    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    const QString name = sourceModel()->data(index, Qt::DisplayRole).toString();
    if (folded(name).contains(m_foldedFilter))
        return true;
    const QString code = sourceModel()->data(index, Qt::UserRole).toString();
    return foldedCode(code).contains(m_foldedCodeFilter);
}

} // namespace Lexora
