#pragma once

#include "databaseio/databaserecords.h"

#include <QHash>
#include <QSet>
#include <QIdentityProxyModel>
#include <QStringList>

namespace Lexora {

class TranslationsModel;

// The translations table with the state of each row: whether the chosen
// language has its text, whether it only repeats the primary text, and what
// the quality checks and the last translation tests found. The ID column
// shows it as an icon with a tooltip; every cell answers StatusRole, so that
// views and filters above need not know how it is worked out.
class TranslationStatusModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    enum Status {
        Translated = 0,
        // The ID has no row in the database yet.
        UnknownId = 0x1,
        // The chosen language has no text.
        Missing = 0x2,
        // The primary language has no text, nor does the code give one.
        PrimaryMissing = 0x4,
        // The primary language has no text; the code's source text stands in.
        SourceTextOnly = 0x8,
        // The chosen language's text equals the primary text.
        SameAsPrimary = 0x10,
        // The text comparison checks fail for the chosen language.
        CheckFindings = 0x20,
        // A translation test saw the text missing or elided (in some language:
        // stored results do not say which).
        TestMissing = 0x40,
        TestElided = 0x80,
    };
    Q_DECLARE_FLAGS(Statuses, Status)
    Q_FLAG(Statuses)

    static constexpr Statuses untranslated = { Missing, PrimaryMissing, SourceTextOnly };
    static constexpr Statuses findings = { CheckFindings, TestMissing, TestElided };

    // The row's Statuses as an int, in every column.
    static constexpr int StatusRole = Qt::UserRole + 20;
    // The names of the failed checks, a QStringList, in every column.
    static constexpr int FailedChecksRole = Qt::UserRole + 21;
    // Whether the row's ID is used by a node selected in the designer, a bool.
    static constexpr int SelectedNodeRole = Qt::UserRole + 22;

    explicit TranslationStatusModel(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *sourceModel) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant
    headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces what the database holds of test results and silenced checks.
    void setFindings(const TranslationFindingsList &findings);
    // The IDs the designer's selected nodes use: their rows are marked.
    void setSelectedIds(const QSet<QString> &translationIds);
    bool isSelectedId(int row) const;
    Statuses status(int row) const;
    QStringList failedChecks(int row) const;
    // Every line of the tooltip of the row's status, most urgent first.
    QStringList describe(int row) const;

private:
    struct Findings
    {
        bool missing = false;
        bool exceeds = false;
        QString componentPaths;
        QStringList ignoredChecks;
    };

    const TranslationsModel *translations() const;
    const Findings *findingsOf(int row) const;
    void announceStatusChange(int firstRow, int lastRow);
    void followLanguages();

    QHash<QString, Findings> m_findings;
    QSet<QString> m_selectedIds;
    QStringList m_languageNames;
};

} // namespace Lexora

Q_DECLARE_OPERATORS_FOR_FLAGS(Lexora::TranslationStatusModel::Statuses)
