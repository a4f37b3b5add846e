#pragma once

#include "databaseio/databaseiointerface.h"
#include "languages/language.h"

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QUndoStack>

#include <map>
#include <optional>
#include <utility>

namespace Lexora {

class DatabaseAccess;
class TranslationsView;

// The translations table: one row per translation ID the open document uses,
// with its text in the primary language and in the language chosen in the
// editor. Edits go straight into the database.
class TranslationsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // True for a language cell of an ID used with a count: its edit text holds
    // one plural form per line.
    static constexpr int PluralFormsRole = Qt::UserRole + 1;

    TranslationsModel(DatabaseAccess *databaseAccess,
                      TranslationsView *view,
                      QObject *parent = nullptr);
    ~TranslationsModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant
    headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void setPrimaryLanguage(const Language &language) { m_primaryLanguage = language; }
    void setCurrentLanguage(const Language &language) { m_currentLanguage = language; }
    void setDatabaseAccess(DatabaseAccess *databaseAccess) { m_databaseAccess = databaseAccess; }
    Language primaryLanguage() const { return m_primaryLanguage; }
    Language currentLanguage() const { return m_currentLanguage; }

    // Rebuilds the rows from the view's translation IDs and the database.
    // Database failures propagate; the rows then stay as they were.
    void reload();
    // Reads the rows' texts (and what the document says of their IDs) again
    // and announces only the cells that changed,
    // so that an editor open on another cell keeps what is typed into it.
    // Database failures propagate.
    void refresh();
    // Follows a change of the view's translation IDs by rows: IDs that are no
    // longer used lose their row, new IDs get one, every other row stays as it
    // is. Only the new IDs are looked up, so an edit in a large document costs
    // next to nothing. The IDs need not be unique or sorted.
    void updateTranslationIds(const TranslationIds &removedIds, const TranslationIds &addedIds);

    const TranslationRows &rows() const { return m_rows; }

    // Whether the cell shows text typed into it that the database did not take.
    bool isUnsaved(const QModelIndex &index) const;
    // Forgets every text the database did not take (the project changed).
    void clearUnsaved();

    // Every edit the database took, for undo and redo. Writing back goes
    // through writeTranslation().
    QUndoStack *undoStack() { return &m_undoStack; }
    // Stores `text` as the translation of `translationId` in `languageCode`
    // (no text: removes the translation) and shows what the database then
    // holds. Reports a database error by undoFailed(), never by throwing.
    void writeTranslation(const QString &translationId,
                          const std::string &languageCode,
                          bool plural,
                          const std::optional<QString> &text);

signals:
    // The database refused the text typed into `index`. The cell keeps showing
    // the text and offers it again for editing, so that it can be retried.
    void writeFailed(const QPersistentModelIndex &index, const QString &error);
    // The database refused an undone or redone edit.
    void undoFailed(const QString &error);

private:
    // Replaces the rows by `rows` (sorted, unique), announcing exactly which
    // rows went and came; never a reset.
    void installRows(TranslationRows rows);
    bool isValidCell(const QModelIndex &index) const;
    TranslationRows fetchRows(const TranslationIds &translationIds) const;
    void completeRows(TranslationRows &rows) const;
    const Language *languageOfColumn(int column) const;
    const QString *unsavedText(const QModelIndex &index) const;
    // Adds the row's ID to the database unless it is there (maybe added by
    // another program since the table was loaded), then stores the text.
    void store(TranslationRow &row, const QModelIndex &index, const QString &text);
    // The edit text the database holds for the ID in the language; none
    // without a translation (or without a database).
    std::optional<QString>
    storedText(const QString &translationId, const std::string &languageCode, bool plural) const;

    TranslationRows m_rows;
    Language m_primaryLanguage;
    Language m_currentLanguage;
    DatabaseAccess *m_databaseAccess;
    TranslationsView *m_view;
    // Texts the database refused, by translation ID and language code.
    std::map<std::pair<QString, std::string>, QString> m_unsaved;
    QUndoStack m_undoStack;
};

} // namespace Lexora
