#include "testlanguagechoice.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace Lexora {

TestLanguageChoice::TestLanguageChoice(QWidget *parent)
    : QWidget(parent), m_comboBox(new QComboBox(this))
{
    setObjectName(QStringLiteral("testLanguageChoice"));
    m_comboBox->setObjectName(QStringLiteral("languageComboBox"));
    auto *label = new QLabel(tr("&Languages:"), this);
    label->setBuddy(m_comboBox);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(m_comboBox, 1);
    setPseudoLanguages({});
    connect(m_comboBox, &QComboBox::currentIndexChanged, this, &TestLanguageChoice::choiceChanged);
}

void TestLanguageChoice::setPseudoLanguages(const QStringList &codes)
{
    const QString chosen = pseudoLanguage();
    const QSignalBlocker blocker(m_comboBox);
    m_comboBox->clear();
    m_comboBox->addItem(tr("The project's languages"), QString());
    for (const QString &code : codes)
        m_comboBox->addItem(tr("%1 (pseudo texts made from the primary language)").arg(code), code);
    m_comboBox->setCurrentIndex(std::max(0, m_comboBox->findData(chosen)));
    m_comboBox->setToolTip(tr("A pseudo language lengthens, accents and brackets the primary "
                              "texts: what does not fit shows before any translation exists. Its "
                              "findings are not stored in the translation database."));
    if (pseudoLanguage() != chosen)
        emit choiceChanged();
}

QString TestLanguageChoice::pseudoLanguage() const
{
    return m_comboBox->currentData().toString();
}

} // namespace Lexora
