#pragma once

#include "languages/languagemodel.h"

namespace Lexora {

// The languages chosen for the project. Their check boxes act as one radio choice: the
// checked row is the primary language, and checking another row moves the mark there.
class SelectedLanguagesModel : public LanguageModel
{
    Q_OBJECT

public:
    explicit SelectedLanguagesModel(QObject *parent = nullptr);

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
};

} // namespace Lexora
