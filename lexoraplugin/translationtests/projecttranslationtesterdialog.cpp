#include "projecttranslationtesterdialog.h"
#include "ui_projecttranslationtesterdialog.h"

#include "qmldebugtranslationrunner.h"
#include "qmlfilelistmodel.h"
#include "translationtestviewinterface.h"

#include <projects/project.h>
#include <projects/session.h>

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
    m_view->runWithCurrentQmFiles(
        this,
        m_ui->generateQmFilesCheckBox->isChecked(),
        [this](const QString &text) { showStatus(text); },
        [this] { startRunner(); },
        [this] {
            m_ui->runButton->setEnabled(true);
            m_ui->filesListView->setEnabled(true);
        });
}

void ProjectTranslationTesterDialog::startRunner()
{
    const QList<Host::Utils::Path> files = m_fileListModel->checkedFiles();
    QList<QString> codes;
    for (const Language &language : m_view->projectLanguages())
        codes.append(language.codeString());

    m_ui->progressBar->setMinimum(0);
    m_ui->progressBar->setMaximum(int((codes.size() + 1) * files.size()));
    m_ui->progressBar->setValue(0);

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
    showStatus(m_runner->problems());
    // A run that did not end knows nothing for certain: the stored findings
    // and the report stay those of the last run that did.
    if (m_runner->outcome() != QmlDebugTranslationRunner::Outcome::Completed)
        return;
    m_ui->progressBar->setValue(m_ui->progressBar->maximum());
    const QByteArray result = m_runner->getResultJson();
    m_view->addScreenMetaData(result);
    const Host::Projects::Project *project = Host::Projects::Session::instance()->startupProject();
    const QString directory = project ? project->projectDirectory().toString() : QString();
    m_view->writeTestReport(directory + QLatin1String("/translation_report_project.json"), result);
}

} // namespace Lexora
