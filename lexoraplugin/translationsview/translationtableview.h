#pragma once

#include <QTableView>

namespace Lexora {

// The table of the translations tab. Its first column takes a third of the
// width up to 100 pixels, the two language columns share the rest.
class TranslationTableView : public QTableView
{
    Q_OBJECT

public:
    explicit TranslationTableView(QWidget *parent = nullptr);

protected:
    int sizeHintForColumn(int column) const override;
};

} // namespace Lexora
