#include "translationsmodel.h"

#include "databaseaccess.h"
#include "exception.h"
#include "translationsview.h"
#include "undocommands.h"

#include <sqlite/sqliteexception.h>

#include <QColor>
#include <QFont>

#include <algorithm>

namespace Lexora {

namespace {

constexpr int columns = 3;
constexpr int alignLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int alignRight = Qt::AlignRight | Qt::AlignVCenter;

bool lessById(const TranslationRow &first, const TranslationRow &second)
{
    return first.translationId < second.translationId;
}

bool isValidCellOf(const QModelIndex &index, std::size_t rowCount)
{
    return index.isValid() && index.row() >= 0 && std::size_t(index.row()) < rowCount
        && index.column() >= 0 && index.column() < columns;
}

QStringList toStringList(const std::vector<std::string> &texts)
{
    QStringList list;
    list.reserve(qsizetype(texts.size()));
    for (const std::string &text : texts)
        list.append(QString::fromStdString(text));
    return list;
}

// One form per line; empty lines at the end name no form.
QStringList formLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    while (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

std::vector<std::string> toStdStrings(const QStringList &lines)
{
    std::vector<std::string> texts;
    texts.reserve(std::size_t(lines.size()));
    for (const QString &line : lines)
        texts.push_back(line.toStdString());
    return texts;
}

TranslationRow placeholderRow(const std::string &translationId)
{
    TranslationRow row;
    row.translationId = QString::fromStdString(translationId);
    row.translatableId = -1;
    return row;
}

} // namespace

TranslationsModel::TranslationsModel(DatabaseAccess *databaseAccess,
                                     TranslationsView *view,
                                     QObject *parent)
    : QAbstractTableModel(parent), m_databaseAccess(databaseAccess), m_view(view)
{ }

TranslationsModel::~TranslationsModel() = default;

bool TranslationsModel::isValidCell(const QModelIndex &index) const
{
    return index.model() == this && isValidCellOf(index, m_rows.size());
}

int TranslationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TranslationsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant TranslationsModel::data(const QModelIndex &index, int role) const
{
    if (!isValidCell(index))
        return {};
    const TranslationRow &row = m_rows[std::size_t(index.row())];
    const QString *text = nullptr;
    const QStringList *forms = nullptr;
    switch (index.column()) {
    case 0:
        text = &row.translationId;
        break;
    case 1:
        text = &row.primaryTranslation;
        forms = &row.primaryForms;
        break;
    case 2:
        text = &row.currentTranslation;
        forms = &row.currentForms;
        break;
    default:
        return {};
    }
    const bool formsCell = forms && row.plural;
    const bool severalForms = formsCell && forms->size() > 1;
    // Where the primary language has no text, the code's source text is what
    // the generated files show; the cell shows it too, set apart.
    const bool showsSourceText
        = index.column() == 1 && text->isEmpty() && !row.sourceText.isEmpty();

    // A text the database refused shows (and is offered for editing) as typed.
    if (const QString *typed = unsavedText(index)) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return *typed;
        case Qt::ToolTipRole:
            return tr("Not saved: the database did not take this text. Edit the cell and "
                      "press Return to try again.");
        case Qt::FontRole: {
            QFont font;
            font.setItalic(true);
            return font;
        }
        case Qt::TextAlignmentRole:
            return typed->isRightToLeft() ? alignRight : alignLeft;
        default:
            break;
        }
    }

    switch (role) {
    case Qt::DisplayRole:
        if (severalForms)
            return forms->join(QLatin1String(" | "));
        return showsSourceText ? row.sourceText : *text;
    case Qt::EditRole:
        return severalForms ? forms->join(QLatin1Char('\n')) : *text;
    case Qt::ToolTipRole:
        if (severalForms)
            return forms->join(QLatin1Char('\n'));
        if (showsSourceText)
            return tr("Source text from the code: %1").arg(row.sourceText);
        return *text;
    case Qt::ForegroundRole:
        if (showsSourceText)
            return QColor(Qt::gray);
        return {};
    case Qt::TextAlignmentRole:
        return index.column() != 0 && text->isRightToLeft() ? alignRight : alignLeft;
    case PluralFormsRole:
        return formsCell;
    default:
        return {};
    }
}

const Language *TranslationsModel::languageOfColumn(int column) const
{
    switch (column) {
    case 1:
        return &m_primaryLanguage;
    case 2:
        return &m_currentLanguage;
    default:
        return nullptr;
    }
}

const QString *TranslationsModel::unsavedText(const QModelIndex &index) const
{
    if (m_unsaved.empty())
        return nullptr;
    const Language *language = languageOfColumn(index.column());
    if (!language)
        return nullptr;
    const auto found
        = m_unsaved.find({ m_rows[std::size_t(index.row())].translationId, language->code });
    return found == m_unsaved.end() ? nullptr : &found->second;
}

bool TranslationsModel::isUnsaved(const QModelIndex &index) const
{
    return isValidCell(index) && unsavedText(index);
}

void TranslationsModel::clearUnsaved()
{
    if (std::exchange(m_unsaved, {}).empty() || m_rows.empty())
        return;
    emit dataChanged(index(0, 1), index(int(m_rows.size()) - 1, columns - 1));
}

void TranslationsModel::store(TranslationRow &row, const QModelIndex &index, const QString &text)
{
    DatabaseIoInterface *database = m_databaseAccess->databaseIo();
    if (row.translatableId < 0) {
        std::int64_t translatableId = -1;
        if (database) {
            const std::string translationId = row.translationId.toStdString();
            translatableId = database->translatableId(translationId);
            if (translatableId < 0)
                translatableId = database->addTranslatable(translationId);
        }
        row.translatableId = translatableId;
        const QModelIndex idIndex = this->index(index.row(), 0);
        emit dataChanged(idIndex, idIndex, { Qt::DisplayRole, Qt::TextAlignmentRole });
    }

    const Language *language = languageOfColumn(index.column());
    QString *translation = index.column() == 1 ? &row.primaryTranslation : &row.currentTranslation;
    QStringList *forms = index.column() == 1 ? &row.primaryForms : &row.currentForms;
    if (row.plural) {
        const QStringList lines = formLines(text);
        if (database)
            database->updatePluralForms(row.translatableId, language->code, toStdStrings(lines));
        *translation = lines.constFirst();
        *forms = lines;
    } else {
        if (database)
            database->updateTranslation(row.translatableId, language->code, text.toStdString());
        *translation = text;
    }
}

bool TranslationsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !isValidCell(index) || !languageOfColumn(index.column()))
        return false;
    TranslationRow &row = m_rows[std::size_t(index.row())];
    const QString text = value.toString();
    const std::pair<QString, std::string> key { row.translationId,
                                                languageOfColumn(index.column())->code };

    // A failed write must neither take the typed text with it nor leave the
    // cell showing a text that the database does not hold.
    QString error;
    std::optional<QString> before;
    try {
        before = storedText(row.translationId, key.second, row.plural);
        store(row, index, text);
    } catch (const Host::Sqlite::Exception &exception) {
        error = QString::fromUtf8(exception.what());
    } catch (const Exception &exception) {
        error = QString::fromUtf8(exception.what());
    }
    const QList<int> roles { Qt::DisplayRole, Qt::TextAlignmentRole };
    const QList<int> unsavedRoles = roles + QList<int> { Qt::ToolTipRole, Qt::FontRole };
    if (!error.isEmpty()) {
        m_unsaved[key] = text;
        emit dataChanged(index, index, unsavedRoles);
        emit writeFailed(QPersistentModelIndex(index), error);
        return false;
    }

    const bool wasUnsaved = m_unsaved.erase(key) > 0;
    emit dataChanged(index, index, wasUnsaved ? unsavedRoles : roles);
    if (m_databaseAccess->databaseIo() && before != text) {
        m_undoStack.push(
            new TranslationEdit(this, key.first, key.second, row.plural, std::move(before), text));
    }
    return true;
}

std::optional<QString> TranslationsModel::storedText(const QString &translationId,
                                                     const std::string &languageCode,
                                                     bool plural) const
{
    DatabaseIoInterface *database = m_databaseAccess->databaseIo();
    if (!database)
        return {};
    const std::int64_t translatableId = database->translatableId(translationId.toStdString());
    if (translatableId < 0)
        return {};
    if (plural) {
        const std::vector<std::vector<std::string>> forms
            = database->fetchPluralForms({ &translatableId, 1 }, languageCode);
        if (forms.front().empty())
            return {};
        return toStringList(forms.front()).join(QLatin1Char('\n'));
    }
    const std::optional<std::string> text
        = database->fetchTranslation(translatableId, languageCode);
    if (!text)
        return {};
    return QString::fromStdString(*text);
}

void TranslationsModel::writeTranslation(const QString &translationId,
                                         const std::string &languageCode,
                                         bool plural,
                                         const std::optional<QString> &text)
{
    QString error;
    try {
        DatabaseIoInterface *database = m_databaseAccess->databaseIo();
        if (!database)
            throw Exception("No translation database is open.");
        const std::string id = translationId.toStdString();
        std::int64_t translatableId = database->translatableId(id);
        if (text && translatableId < 0)
            translatableId = database->addTranslatable(id);
        if (!text) {
            if (translatableId >= 0)
                database->removeTranslation(translatableId, languageCode);
        } else if (plural) {
            database->updatePluralForms(
                translatableId, languageCode, toStdStrings(formLines(*text)));
        } else {
            database->updateTranslation(translatableId, languageCode, text->toStdString());
        }
        // The written text replaces one the database refused before.
        if (m_unsaved.erase({ translationId, languageCode }) > 0 && !m_rows.empty())
            emit dataChanged(index(0, 1), index(int(m_rows.size()) - 1, columns - 1));
        refresh();
    } catch (const Host::Sqlite::Exception &exception) {
        error = QString::fromUtf8(exception.what());
    } catch (const Exception &exception) {
        error = QString::fromUtf8(exception.what());
    }
    if (!error.isEmpty())
        emit undoFailed(error);
}

QVariant TranslationsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
        case 0:
            return tr("Translation ID");
        case 1:
            return m_primaryLanguage.nameString();
        case 2:
            return tr("Translation");
        default:
            break;
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TranslationsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!isValidCell(index))
        return flags;
    flags &= ~Qt::ItemIsSelectable;
    switch (index.column()) {
    case 0:
        if (m_rows[std::size_t(index.row())].translatableId < 0)
            flags &= ~Qt::ItemIsEnabled;
        break;
    case 1:
        if (!m_primaryLanguage.code.empty())
            flags |= Qt::ItemIsEditable;
        break;
    case 2:
        if (!m_currentLanguage.code.empty())
            flags |= Qt::ItemIsEditable;
        break;
    default:
        break;
    }
    return flags;
}

void TranslationsModel::completeRows(TranslationRows &rows) const
{
    const auto &details = m_view->translationIdDetails();
    std::vector<std::int64_t> keys;
    std::vector<TranslationRow *> pluralRows;
    for (TranslationRow &row : rows) {
        const auto found = details.constFind(row.translationId);
        if (found == details.cend())
            continue;
        row.sourceText = found->sourceText;
        row.plural = found->plural;
        if (row.plural && row.translatableId >= 0) {
            keys.push_back(row.translatableId);
            pluralRows.push_back(&row);
        }
    }
    DatabaseIoInterface *database = m_databaseAccess->databaseIo();
    if (!database || keys.empty())
        return;
    const auto fetchForms = [&](const Language &language, QStringList TranslationRow::*forms) {
        if (language.code.empty())
            return;
        const std::vector<std::vector<std::string>> fetched
            = database->fetchPluralForms(keys, language.code);
        for (std::size_t index = 0; index < pluralRows.size(); ++index)
            pluralRows[index]->*forms = toStringList(fetched[index]);
    };
    fetchForms(m_primaryLanguage, &TranslationRow::primaryForms);
    fetchForms(m_currentLanguage, &TranslationRow::currentForms);
}

TranslationRows TranslationsModel::fetchRows(const TranslationIds &translationIds) const
{
    DatabaseIoInterface *database = m_databaseAccess->databaseIo();
    if (!database || translationIds.empty())
        return {};
    return database->fetchTranslationRows(
        translationIds, m_primaryLanguage.code, m_currentLanguage.code);
}

void TranslationsModel::reload()
{
    TranslationIds translationIds = m_view->translationIds();
    translationIds.erase(std::unique(translationIds.begin(), translationIds.end()),
                         translationIds.end());

    TranslationRows fetched = fetchRows(translationIds);
    TranslationRows placeholders;
    placeholders.reserve(translationIds.size());
    for (const std::string &translationId : translationIds)
        placeholders.push_back(placeholderRow(translationId));

    // The IDs come sorted bytewise as UTF-8, the rows are sorted as Qt strings;
    // the two orders differ for characters beyond the basic plane.
    std::stable_sort(fetched.begin(), fetched.end(), lessById);
    std::stable_sort(placeholders.begin(), placeholders.end(), lessById);

    TranslationRows rows;
    rows.reserve(placeholders.size());
    std::set_union(std::make_move_iterator(fetched.begin()),
                   std::make_move_iterator(fetched.end()),
                   std::make_move_iterator(placeholders.begin()),
                   std::make_move_iterator(placeholders.end()),
                   std::back_inserter(rows),
                   lessById);
    completeRows(rows);
    installRows(std::move(rows));
}

void TranslationsModel::refresh()
{
    TranslationIds translationIds;
    translationIds.reserve(m_rows.size());
    for (const TranslationRow &row : m_rows)
        translationIds.push_back(row.translationId.toStdString());
    TranslationRows fetched = fetchRows(translationIds);
    std::stable_sort(fetched.begin(), fetched.end(), lessById);
    TranslationRows fresh;
    fresh.reserve(m_rows.size());
    for (std::size_t position = 0; position < m_rows.size(); ++position) {
        const auto found
            = std::lower_bound(fetched.begin(), fetched.end(), m_rows[position], lessById);
        fresh.push_back(found != fetched.end()
                                && found->translationId == m_rows[position].translationId
                            ? *found
                            : placeholderRow(translationIds[position]));
    }
    completeRows(fresh);

    for (std::size_t position = 0; position < m_rows.size(); ++position) {
        TranslationRow &row = m_rows[position];
        const TranslationRow &now = fresh[position];
        const auto update = [&](auto TranslationRow::*field, int column) {
            if (row.*field == now.*field)
                return;
            row.*field = now.*field;
            const QModelIndex cell = index(int(position), column);
            emit dataChanged(cell, cell);
        };
        update(&TranslationRow::translatableId, 0);
        update(&TranslationRow::sourceText, 1);
        if (row.plural != now.plural) {
            // Both text cells show forms, or stop showing them.
            row.plural = now.plural;
            emit dataChanged(index(int(position), 1), index(int(position), 2));
        }
        update(&TranslationRow::primaryTranslation, 1);
        update(&TranslationRow::currentTranslation, 2);
        update(&TranslationRow::primaryForms, 1);
        update(&TranslationRow::currentForms, 2);
    }
}

void TranslationsModel::installRows(TranslationRows rows)
{
    // Rows whose ID stays keep their place; only rows of IDs that went away
    // are removed and only rows of new IDs inserted. Announcing the new rows
    // as if the old ones had kept their IDs would move the views' persistent
    // indexes (an open editor among them) onto other IDs.
    for (int row = int(m_rows.size()) - 1; row >= 0;) {
        if (std::binary_search(rows.begin(), rows.end(), m_rows[std::size_t(row)], lessById)) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0
               && !std::binary_search(
                   rows.begin(), rows.end(), m_rows[std::size_t(first - 1)], lessById))
            --first;
        beginRemoveRows({}, first, row);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + row + 1);
        endRemoveRows();
        row = first - 1;
    }

    int lastKept = -1;
    std::size_t position = 0;
    for (std::size_t next = 0; next < rows.size();) {
        if (position < m_rows.size()
            && m_rows[position].translationId == rows[next].translationId) {
            m_rows[position] = std::move(rows[next]);
            lastKept = int(position);
            ++position;
            ++next;
            continue;
        }
        std::size_t end = next;
        while (end < rows.size()
               && (position >= m_rows.size()
                   || m_rows[position].translationId != rows[end].translationId))
            ++end;
        beginInsertRows({}, int(position), int(position + (end - next)) - 1);
        m_rows.insert(m_rows.begin() + std::ptrdiff_t(position),
                      std::make_move_iterator(rows.begin() + std::ptrdiff_t(next)),
                      std::make_move_iterator(rows.begin() + std::ptrdiff_t(end)));
        endInsertRows();
        position += end - next;
        next = end;
    }

    // No rows kept: there is no cell to report.
    if (lastKept >= 0)
        emit dataChanged(index(0, 0), index(lastKept, columns - 1));
}

void TranslationsModel::updateTranslationIds(const TranslationIds &removedIds,
                                             const TranslationIds &addedIds)
{
    const TranslationIds &used = m_view->translationIds();
    auto isUsed = [&](const std::string &translationId) {
        return std::binary_search(used.begin(), used.end(), translationId);
    };
    auto rowOf = [&](const QString &translationId) {
        TranslationRow key;
        key.translationId = translationId;
        return std::lower_bound(m_rows.begin(), m_rows.end(), key, lessById);
    };

    for (const std::string &translationId : removedIds) {
        if (isUsed(translationId))
            continue;
        const auto found = rowOf(QString::fromStdString(translationId));
        if (found == m_rows.end() || found->translationId != QString::fromStdString(translationId))
            continue;
        const int row = int(found - m_rows.begin());
        beginRemoveRows({}, row, row);
        m_rows.erase(found);
        endRemoveRows();
    }

    TranslationIds newIds;
    for (const std::string &translationId : addedIds) {
        if (!isUsed(translationId))
            continue;
        const QString id = QString::fromStdString(translationId);
        const auto found = rowOf(id);
        if ((found == m_rows.end() || found->translationId != id)
            && std::find(newIds.begin(), newIds.end(), translationId) == newIds.end())
            newIds.push_back(translationId);
    }
    if (newIds.empty())
        return;

    TranslationRows fetched = fetchRows(newIds);
    TranslationRows newRows;
    newRows.reserve(newIds.size());
    for (const std::string &translationId : newIds) {
        TranslationRow &row = newRows.emplace_back(placeholderRow(translationId));
        const auto known = std::find_if(fetched.begin(), fetched.end(), [&](const auto &each) {
            return each.translationId == row.translationId;
        });
        if (known != fetched.end())
            row = std::move(*known);
    }
    completeRows(newRows);
    for (TranslationRow &row : newRows) {
        const auto position = rowOf(row.translationId);
        const int index = int(position - m_rows.begin());
        beginInsertRows({}, index, index);
        m_rows.insert(position, std::move(row));
        endInsertRows();
    }
}

} // namespace Lexora
