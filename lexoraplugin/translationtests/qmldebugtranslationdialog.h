#pragma once

#include <QColor>
#include <QDialog>
#include <QMap>

#include <memory>

QT_BEGIN_NAMESPACE
class QCheckBox;
class QLabel;
QT_END_NAMESPACE

namespace Host::Utils {
class ColorButton;
}

QT_BEGIN_NAMESPACE
namespace Ui {
class QmlDebugTranslationDialog;
}
QT_END_NAMESPACE

namespace Lexora {

class QmlDebugTranslationRunner;
class TestLanguageChoice;
class TranslationTestViewInterface;

// Tests the document open in the designer in every project language (or in
// a pseudo language) and shows the findings on the design in the colours
// chosen here.
class QmlDebugTranslationDialog : public QDialog
{
    Q_OBJECT

public:
    enum Options { MissingTranslations = 0, FoundTranslations = 1, ElideWarnings = 2 };
    Q_ENUM(Options)

    QmlDebugTranslationDialog(TranslationTestViewInterface *view, QWidget *parent = nullptr);
    ~QmlDebugTranslationDialog() override;

    QmlDebugTranslationRunner *runner() const { return m_runner; }

signals:
    void frameColorChanged(Lexora::QmlDebugTranslationDialog::Options option, const QColor &color);

public slots:
    void runClicked();
    void runReady();

private:
    struct OptionWidgets
    {
        QCheckBox *checkBox;
        QLabel *label;
        Host::Utils::ColorButton *colorButton;
    };

    void startRunner();
    void showStatus(const QString &text);
    void checkBoxStateChanged(QCheckBox *checkBox, int state);
    OptionWidgets widgets(Options option) const;

    std::unique_ptr<Ui::QmlDebugTranslationDialog> m_ui;
    QMap<Options, QColor> m_colors;
    TranslationTestViewInterface *m_view;
    QmlDebugTranslationRunner *m_runner;
    TestLanguageChoice *m_languageChoice;
    // The pseudo language of the run going on; empty for the project's.
    QString m_testedPseudoLanguage;
};

} // namespace Lexora
