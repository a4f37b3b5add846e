#pragma once

#include "databaseio/databaserecords.h"

#include <QAbstractTableModel>

#include <string>

namespace Lexora {

class DatabaseAccess;

// The results of a full-text search over all translations of the project's
// database: translation ID, language and translation, best match first. It
// holds at most `maximumRows` of them; more would only slow typing down in a
// large database, and a longer text narrows the search.
class TranslationSearchModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int maximumRows = 500;

    explicit TranslationSearchModel(DatabaseAccess &databaseAccess, QObject *parent = nullptr);

    // Searches for `text` as the user meant it (an FTS5 query, or else the
    // typed words; IDs holding the text come first); false when the text
    // cannot mean anything, which leaves the model empty. Other database
    // failures raise Host::Sqlite::Exception, with the model emptied as well.
    bool setSearchText(const QString &text);
    bool refresh();
    // Whether the search found more than the rows held.
    bool hasMoreResults() const { return m_hasMoreResults; }
    void setDatabaseAccess(DatabaseAccess *databaseAccess) { m_databaseAccess = databaseAccess; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant
    headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::string m_searchText;
    SearchRows m_rows;
    bool m_hasMoreResults = false;
    DatabaseAccess *m_databaseAccess;
};

} // namespace Lexora
