#include "translationsview/translationsearchmodel.h"

#include "databaseaccess.h"

#include <sqlite/sqliteexception.h>

#include <sqlite3.h>

namespace Lexora {

namespace {

// Cuts a UTF-8 text to at most `bytes` bytes without splitting a character.
QString leadingBytes(const std::string &text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return QString::fromStdString(text);
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return QString::fromUtf8(text.data(), qsizetype(end));
}

} // namespace

TranslationSearchModel::TranslationSearchModel(DatabaseAccess &databaseAccess, QObject *parent)
    : QAbstractTableModel(parent), m_databaseAccess(&databaseAccess)
{ }

bool TranslationSearchModel::setSearchText(const QString &text)
{
    m_searchText = text.toStdString();
    return refresh();
}

bool TranslationSearchModel::refresh()
{
    beginResetModel();
    m_rows.clear();
    m_hasMoreResults = false;
    if (m_searchText.empty()) {
        endResetModel();
        return true;
    }
    try {
        // One row more than is shown tells whether there are more.
        std::optional<SearchRows> rows
            = m_databaseAccess->findTranslations(m_searchText, maximumRows + 1);
        if (!rows) {
            endResetModel();
            return false;
        }
        m_rows = std::move(*rows);
        m_hasMoreResults = m_rows.size() > std::size_t(maximumRows);
        if (m_hasMoreResults)
            m_rows.resize(maximumRows);
    } catch (const Host::Sqlite::Exception &exception) {
        // Every failure ends the reset, or the views would wait for it forever.
        endResetModel();
        // SQLite reports a query FTS5 cannot parse (and a column filter naming
        // no column) as a plain SQL error; anything else is a real failure.
        if ((exception.errorCode() & 0xff) == SQLITE_ERROR)
            return false;
        throw;
    }
    endResetModel();
    return true;
}

int TranslationSearchModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TranslationSearchModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant TranslationSearchModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SearchRow &row = m_rows[std::size_t(index.row())];

    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return QString::fromStdString(row.translationTextId);
        case 1:
            return QString::fromStdString(row.language);
        case 2:
            return leadingBytes(row.translation, 256);
        }
        return {};
    case Qt::ToolTipRole:
        return QString::fromStdString(row.translation);
    case Qt::TextAlignmentRole:
        if (index.column() == 2 && leadingBytes(row.translation, 32).isRightToLeft())
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

QVariant
TranslationSearchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
        case 0:
            return tr("Translation ID");
        case 1:
            return tr("Language");
        case 2:
            return tr("Translation");
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace Lexora
