#pragma once

#include <QSortFilterProxyModel>

namespace Lexora {

// Narrows the translations table to the rows a translator is after: all,
// the untranslated ones or those with findings, and among them the rows whose
// ID or texts hold a given text. Works above a TranslationStatusModel and
// keeps the table's order.
class TranslationFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    enum class Show { All, Untranslated, WithFindings };
    Q_ENUM(Show)

    explicit TranslationFilterModel(QObject *parent = nullptr);

    Show show() const { return m_show; }
    QString text() const { return m_text; }

public slots:
    void setShow(Lexora::TranslationFilterModel::Show show);
    // Case-insensitive, literally; spaces at either end do not count.
    void setText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    Show m_show = Show::All;
    QString m_text;
};

} // namespace Lexora
