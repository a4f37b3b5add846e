#include "projecttranslationtesterdialog.h"
#include "ui_projecttranslationtesterdialog.h"

#include "qmldebugtranslationrunner.h"
#include "qmlfilelistmodel.h"
#include "testlanguagechoice.h"
#include "translationtestviewinterface.h"
#include "visualreport.h"

#include <projects/project.h>
#include <projects/session.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>

namespace Lexora {

ProjectTranslationTesterDialog::ProjectTranslationTesterDialog(TranslationTestViewInterface *view,
                                                               QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ProjectTranslationTesterDialog>()), m_view(view)
{
    m_ui->setupUi(this);
    m_ui->progressBar->setValue(0);
    showStatus({});
    m_fileListModel
        = std::make_unique<QmlFileListModel>(Host::Projects::Session::instance()->startupProject());
    m_ui->filesListView->setModel(m_fileListModel.get());
    m_languageChoice = new TestLanguageChoice(this);
    m_ui->verticalLayout->insertWidget(m_ui->verticalLayout->indexOf(m_ui->generateQmFilesCheckBox),
                                       m_languageChoice);
    m_languageChoice->setPseudoLanguages(m_view->pseudoLanguages());
    // A pseudo language's files are always made anew; the project's are not used.
    connect(m_languageChoice, &TestLanguageChoice::choiceChanged, this, [this] {
        m_ui->generateQmFilesCheckBox->setEnabled(m_languageChoice->pseudoLanguage().isEmpty());
    });
    m_runner = new QmlDebugTranslationRunner(this);
    connect(m_runner,
            &QmlDebugTranslationRunner::stopped,
            this,
            &ProjectTranslationTesterDialog::runFinished);
    connect(m_runner,
            &QmlDebugTranslationRunner::progressed,
            this,
            &ProjectTranslationTesterDialog::stepProgress);
    connect(
        m_ui->runButton, &QPushButton::clicked, this, &ProjectTranslationTesterDialog::runTests);

    // Only a completed run has findings to draw.
    m_visualReportButton = new QPushButton(tr("Visual Report..."), this);
    m_visualReportButton->setObjectName(QStringLiteral("visualReportButton"));
    m_visualReportButton->setToolTip(
        tr("Draw every tested screen in every state and language with its findings, into a "
           "folder with an index.html"));
    m_visualReportButton->setEnabled(false);
    m_ui->verticalLayout->addWidget(m_visualReportButton);
    connect(m_visualReportButton,
            &QPushButton::clicked,
            this,
            &ProjectTranslationTesterDialog::chooseVisualReportFolder);
}

ProjectTranslationTesterDialog::~ProjectTranslationTesterDialog()
{
    // The runner's last signals must not reach a half-destroyed dialog.
    delete m_runner;
}

void ProjectTranslationTesterDialog::runTests()
{
    m_ui->filesListView->setEnabled(false);
    m_ui->runButton->setEnabled(false);
    m_visualReportButton->setEnabled(false);
    m_languageChoice->setEnabled(false);
    const QString pseudoLanguage = m_languageChoice->pseudoLanguage();
    m_testedPseudoLanguage = !pseudoLanguage.isEmpty();
    m_testedLanguages.clear();
    if (m_testedPseudoLanguage) {
        m_testedLanguages.append(pseudoLanguage);
    } else {
        for (const Language &language : m_view->projectLanguages())
            m_testedLanguages.append(language.codeString());
    }
    m_view->runWithCurrentQmFiles(
        this,
        m_ui->generateQmFilesCheckBox->isChecked(),
        pseudoLanguage,
        [this](const QString &text) { showStatus(text); },
        [this] { startRunner(); },
        [this] {
            m_ui->runButton->setEnabled(true);
            m_ui->filesListView->setEnabled(true);
            m_languageChoice->setEnabled(true);
            m_visualReportButton->setEnabled(m_runner->outcome()
                                             == QmlDebugTranslationRunner::Outcome::Completed);
        });
}

void ProjectTranslationTesterDialog::startRunner()
{
    const QList<Host::Utils::Path> files = m_fileListModel->checkedFiles();
    const QStringList codes = m_testedLanguages;

    m_ui->progressBar->setMinimum(0);
    m_ui->progressBar->setMaximum(int((codes.size() + 1) * files.size()));
    m_ui->progressBar->setValue(0);

    m_testedFiles = files;
    m_runner->setFiles(files);
    m_runner->setLanguages(codes);
    m_runner->setWatchTextElides(true);
    m_runner->run(Host::Projects::Session::instance()->startupProject());
}

void ProjectTranslationTesterDialog::showStatus(const QString &text)
{
    m_ui->runStatusLabel->setText(text);
    m_ui->runStatusLabel->setVisible(!text.isEmpty());
}

void ProjectTranslationTesterDialog::stepProgress()
{
    m_ui->progressBar->setValue(m_ui->progressBar->value() + 1);
}

void ProjectTranslationTesterDialog::runFinished()
{
    m_ui->runButton->setEnabled(true);
    m_ui->filesListView->setEnabled(true);
    m_languageChoice->setEnabled(true);
    showStatus(m_runner->problems());
    // A run that did not end knows nothing for certain: the stored findings
    // and the report stay those of the last run that did.
    if (m_runner->outcome() != QmlDebugTranslationRunner::Outcome::Completed)
        return;
    m_ui->progressBar->setValue(m_ui->progressBar->maximum());
    m_visualReportButton->setEnabled(true);
    const QByteArray result = m_runner->getResultJson();
    // Findings in a made-up language are no findings of the project's: the
    // database and the project's report stay as they are.
    if (!m_testedPseudoLanguage)
        m_view->addScreenMetaData(result);
    // The colours of the single-file test's defaults; the screens the user
    // opens next show their frames.
    m_view->highlightTestResults(result, Qt::green, Qt::red, Qt::magenta);
    if (m_testedPseudoLanguage)
        m_view->showLanguage(m_testedLanguages.value(0));
    const Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    const QString directory = project ? project->projectDirectory().toString() : QString();
    m_view->writeTestReport(directory
                                + (m_testedPseudoLanguage
                                       ? QLatin1String("/translation_report_pseudo.json")
                                       : QLatin1String("/translation_report_project.json")),
                            result);
}

void ProjectTranslationTesterDialog::chooseVisualReportFolder()
{
    const Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    const QString directory = QFileDialog::getExistingDirectory(
        this,
        tr("Folder of the Visual Report"),
        project ? project->projectDirectory().toString() : QDir::homePath());
    if (!directory.isEmpty())
        writeVisualReport(directory);
}

bool ProjectTranslationTesterDialog::writeVisualReport(const QString &directory)
{
    if (m_runner->outcome() != QmlDebugTranslationRunner::Outcome::Completed)
        return false;
    const Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    if (!project)
        return false;
    QList<Host::Utils::Path> files = m_testedFiles;
    for (const QmlDebugTranslationRunner::LoadFailure &failure : m_runner->loadFailures())
        files.removeAll(failure.file);

    VisualReport report(project->projectDirectory().toString(), m_testedLanguages);
    // A pseudo language's translations are not in the project's i18n folder.
    if (const Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(
            Host::Projects::Session::instance()->startupProject())) {
        for (const QString &code : backend->previewOnlyLanguages()) {
            if (m_testedLanguages.contains(code))
                report.setTranslationDirectory(code,
                                               backend->translationDirectory(code).toString());
        }
    }
    report.setResult(m_runner->getResultJson(), m_runner->languageIssues());
    QProgressDialog progress(tr("Drawing the screens..."), tr("Cancel"), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const bool written = report.write(files, directory, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.reset();
    if (!written) {
        showStatus(tr("The visual report was not written: %1").arg(report.errorString()));
        return false;
    }
    QString status = tr("Visual report: %1 (%n picture(s))", nullptr, report.pictureCount())
                         .arg(QDir::toNativeSeparators(
                             QDir(directory).filePath(QStringLiteral("index.html"))));
    if (!report.unloadedLanguages().isEmpty())
        status += QLatin1Char('\n')
            + tr("Without a translation file, shown as written: %1")
                  .arg(report.unloadedLanguages().join(QLatin1String(", ")));
    showStatus(status);
    return true;
}

} // namespace Lexora
