#pragma once

#include "core_global.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>

namespace Host::Core {

// One entry of the progress display, as last reported by its future.
struct HOST_CORE_EXPORT ProgressEntry
{
    quint64 id = 0;
    QString title;
    QByteArray typeId;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    QString progressText;
    bool started = false;
    bool finished = false;
    bool canceled = false;

    // Percentage done, or -1 while the range is unknown (a busy indicator).
    int percent() const;
};

// The entries the progress center follows, oldest first. Read on the interface
// thread only; the center feeds it from there.
class HOST_CORE_EXPORT ProgressModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        TitleRole = Qt::UserRole + 1,
        TypeIdRole,
        MinimumRole,
        MaximumRole,
        ValueRole,
        ProgressTextRole,
        StartedRole,
        FinishedRole,
        CanceledRole,
        PercentRole,
        IdRole,
    };
    Q_ENUM(Role)

    explicit ProgressModel(QObject *parent = nullptr);
    ~ProgressModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QList<ProgressEntry> entries() const { return m_entries; }
    ProgressEntry entry(int row) const { return m_entries.value(row); }
    int rowOf(quint64 id) const;

    void append(const ProgressEntry &entry);
    void update(const ProgressEntry &entry);
    void remove(quint64 id);

private:
    QList<ProgressEntry> m_entries;
};

} // namespace Host::Core
