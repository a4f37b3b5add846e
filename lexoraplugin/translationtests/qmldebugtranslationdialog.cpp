#include "qmldebugtranslationdialog.h"
#include "ui_qmldebugtranslationdialog.h"

#include "qmldebugtranslationrunner.h"
#include "testlanguagechoice.h"
#include "translationtestviewinterface.h"

#include <core/editorcontext.h>
#include <projects/project.h>
#include <projects/session.h>

#include <QFileInfo>

namespace Lexora {

namespace {
constexpr QmlDebugTranslationDialog::Options allOptions[]
    = { QmlDebugTranslationDialog::MissingTranslations,
        QmlDebugTranslationDialog::FoundTranslations,
        QmlDebugTranslationDialog::ElideWarnings };
} // namespace

QmlDebugTranslationDialog::QmlDebugTranslationDialog(TranslationTestViewInterface *view,
                                                     QWidget *parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::QmlDebugTranslationDialog>()),
      m_colors { { MissingTranslations, QColor(Qt::red) },
                 { FoundTranslations, QColor(Qt::green) },
                 { ElideWarnings, QColor(Qt::magenta) } },
      m_view(view),
      m_runner(new QmlDebugTranslationRunner(this)),
      m_languageChoice(new TestLanguageChoice(this))
{
    m_ui->setupUi(this);
    showStatus({});
    m_ui->verticalLayout->insertWidget(m_ui->verticalLayout->indexOf(m_ui->generateQmFilesCheckBox),
                                       m_languageChoice);
    m_languageChoice->setPseudoLanguages(m_view->pseudoLanguages());
    // A pseudo language's files are always made anew; the project's are not used.
    connect(m_languageChoice, &TestLanguageChoice::choiceChanged, this, [this] {
        m_ui->generateQmFilesCheckBox->setEnabled(m_languageChoice->pseudoLanguage().isEmpty());
    });
    for (const Options option : allOptions) {
        // A colour the user picks is the option's colour from then on, so that
        // turning the option off and on again brings back that colour.
        connect(widgets(option).colorButton,
                &Host::Utils::ColorButton::colorChanged,
                this,
                [this, option](const QColor &color) {
                    if (color.isValid())
                        m_colors.insert(option, color);
                });
        QCheckBox *checkBox = widgets(option).checkBox;
        connect(checkBox, &QCheckBox::stateChanged, this, [this, checkBox](int state) {
            checkBoxStateChanged(checkBox, state);
        });
        checkBoxStateChanged(checkBox, checkBox->checkState());
    }
    connect(m_ui->runButton, &QPushButton::clicked, this, &QmlDebugTranslationDialog::runClicked);
    connect(
        m_runner, &QmlDebugTranslationRunner::stopped, this, &QmlDebugTranslationDialog::runReady);
}

QmlDebugTranslationDialog::~QmlDebugTranslationDialog() = default;

QmlDebugTranslationDialog::OptionWidgets QmlDebugTranslationDialog::widgets(Options option) const
{
    switch (option) {
    case MissingTranslations:
        return { m_ui->showMissingTranslationCheckBox,
                 m_ui->missingTranslationLabel,
                 m_ui->missingTranslationColorButton };
    case FoundTranslations:
        return { m_ui->showFoundTranslationCheckBox,
                 m_ui->foundTranslationLabel,
                 m_ui->foundTranslationColorButton };
    case ElideWarnings:
        break;
    }
    return { m_ui->showElideWarningCheckBox,
             m_ui->elideWarningLabel,
             m_ui->elideWarningColorButton };
}

void QmlDebugTranslationDialog::checkBoxStateChanged(QCheckBox *checkBox, int state)
{
    Options option = MissingTranslations;
    for (const Options candidate : allOptions) {
        if (widgets(candidate).checkBox == checkBox)
            option = candidate;
    }
    const OptionWidgets optionWidgets = widgets(option);
    optionWidgets.colorButton->setColor(m_colors.value(option));
    emit frameColorChanged(option, m_colors.value(option));
    if (state == Qt::Checked) {
        optionWidgets.label->setEnabled(true);
        optionWidgets.colorButton->setEnabled(true);
        return;
    }
    // Keep the choice for when the option is checked again; meanwhile the
    // overlay gets no colour for it.
    m_colors.insert(option, optionWidgets.colorButton->color());
    optionWidgets.colorButton->setColor(QColor());
    emit frameColorChanged(option, QColor());
    optionWidgets.label->setEnabled(false);
    optionWidgets.colorButton->setEnabled(false);
}

void QmlDebugTranslationDialog::runClicked()
{
    m_ui->runButton->setEnabled(false);
    m_testedPseudoLanguage = m_languageChoice->pseudoLanguage();
    m_view->runWithCurrentQmFiles(
        this,
        m_ui->generateQmFilesCheckBox->isChecked(),
        m_testedPseudoLanguage,
        [this](const QString &text) { showStatus(text); },
        [this] { startRunner(); },
        [this] { m_ui->runButton->setEnabled(true); });
}

void QmlDebugTranslationDialog::startRunner()
{
    QList<QString> codes;
    for (const Language &language : m_view->projectLanguages())
        codes.append(language.codeString());
    if (!m_testedPseudoLanguage.isEmpty())
        codes = { m_testedPseudoLanguage };
    m_runner->setFiles({ Host::Core::EditorContext::instance()->currentFilePath() });
    m_runner->setLanguages(codes);
    m_runner->setWatchTextElides(true);
    m_runner->run(Host::Projects::Session::instance()->startupProject());
}

void QmlDebugTranslationDialog::showStatus(const QString &text)
{
    m_ui->runStatusLabel->setText(text);
    m_ui->runStatusLabel->setVisible(!text.isEmpty());
}

void QmlDebugTranslationDialog::runReady()
{
    m_ui->runButton->setEnabled(true);
    showStatus(m_runner->problems());
    // A run that did not end knows nothing for certain: the stored findings,
    // the frames and the report stay those of the last run that did.
    if (m_runner->outcome() != QmlDebugTranslationRunner::Outcome::Completed)
        return;
    const QByteArray result = m_runner->getResultJson();
    const bool pseudo = !m_testedPseudoLanguage.isEmpty();
    // Findings in a made-up language are no findings of the project's: the
    // database and the project's report stay as they are.
    if (!pseudo)
        m_view->addScreenMetaData(result);
    m_view->highlightTestResults(result,
                                 widgets(FoundTranslations).colorButton->color(),
                                 widgets(MissingTranslations).colorButton->color(),
                                 widgets(ElideWarnings).colorButton->color());
    if (pseudo)
        m_view->showLanguage(m_testedPseudoLanguage);
    const Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    const QString directory = project ? project->projectDirectory().toString() : QString();
    const QString baseName
        = QFileInfo(Host::Core::EditorContext::instance()->currentFilePath().toString()).baseName();
    m_view->writeTestReport(directory + QLatin1String("/translation_report_") + baseName
                                + (pseudo ? QLatin1String("_pseudo.json") : QLatin1String(".json")),
                            result);
}

} // namespace Lexora
