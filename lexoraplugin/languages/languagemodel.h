#pragma once

#include "languages/language.h"

#include <QAbstractListModel>
#include <QIcon>

namespace Lexora {

// A list of languages, kept sorted by display name, with one of them marked as the primary
// language. Each row shows the language's name and flag and carries its code in
// Qt::UserRole.
class LanguageModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit LanguageModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    Languages languages() const { return m_languages; }
    Language primaryLanguage() const { return m_primaryLanguage; }

    // The icon shown for a language code: its flag, or the placeholder when the flag is
    // missing.
    static QIcon flagIcon(const QString &code);

public slots:
    void setLanguages(const Languages &languages);
    void setPrimaryLanguage(const Language &language);

signals:
    void primaryLanguageChanged(const Language &language);
    void languagesChanged(const Languages &languages);

protected:
    bool isValidRow(const QModelIndex &index) const;
    const Language &languageAt(const QModelIndex &index) const;

private:
    Languages m_languages;
    Language m_primaryLanguage;
};

} // namespace Lexora
