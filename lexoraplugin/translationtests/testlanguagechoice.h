#pragma once

#include <QWidget>

QT_BEGIN_NAMESPACE
class QComboBox;
QT_END_NAMESPACE

namespace Lexora {

// The languages a translation test runs in: the project's, or one pseudo
// language whose texts are made from the primary ones, so that a design can
// be tried for length and script before any translation exists.
class TestLanguageChoice : public QWidget
{
    Q_OBJECT

public:
    explicit TestLanguageChoice(QWidget *parent = nullptr);

    // The pseudo languages offered beside the project's; the choice falls
    // back to the project's languages when its pseudo language goes.
    void setPseudoLanguages(const QStringList &codes);
    // The chosen pseudo language; empty for the project's languages.
    QString pseudoLanguage() const;

    QComboBox *comboBox() const { return m_comboBox; }

signals:
    void choiceChanged();

private:
    QComboBox *m_comboBox;
};

} // namespace Lexora
