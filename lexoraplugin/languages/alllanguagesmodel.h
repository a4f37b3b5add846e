#pragma once

#include "languages/languagemodel.h"

namespace Lexora {

// All languages on offer, each with a check box that adds it to or removes it from the
// selection. The selection keeps the order in which languages were chosen, because that
// order is the one written into the project.
class AllLanguagesModel : public LanguageModel
{
    Q_OBJECT

public:
    explicit AllLanguagesModel(QObject *parent = nullptr);

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    Languages selectedLanguages() const { return m_selectedLanguages; }
    void setSelectedLanguages(const Languages &languages);

signals:
    void selectedLanguagesChanged(const Languages &languages);

private:
    bool isSelected(const Language &language) const;

    Languages m_selectedLanguages;
};

} // namespace Lexora
