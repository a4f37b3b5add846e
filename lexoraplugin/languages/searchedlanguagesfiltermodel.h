#pragma once

#include <QSortFilterProxyModel>

namespace Lexora {

// Keeps the languages whose display name or code contains the search text, ignoring case
// and accents (and "-" against "_" in codes). The text is taken literally: characters that
// mean something in a regular expression or a wildcard pattern match only themselves.
class SearchedLanguagesFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit SearchedLanguagesFilterModel(QObject *parent = nullptr);

    QString textFilter() const { return m_textFilter; }

public slots:
    void setTextFilter(const QString &filter);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_textFilter;
    QString m_foldedFilter;
    QString m_foldedCodeFilter;
};

} // namespace Lexora
