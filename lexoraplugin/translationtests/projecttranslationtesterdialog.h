#pragma once

#include <utils/path.h>

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
class QPushButton;
namespace Ui {
class ProjectTranslationTesterDialog;
}
QT_END_NAMESPACE

namespace Lexora {

class QmlDebugTranslationRunner;
class QmlFileListModel;
class TestLanguageChoice;
class TranslationTestViewInterface;

// Tests a chosen set of the project's UI files in every project language (or
// in a pseudo language) and shows the progress of the run.
class ProjectTranslationTesterDialog : public QDialog
{
    Q_OBJECT

public:
    ProjectTranslationTesterDialog(TranslationTestViewInterface *view, QWidget *parent = nullptr);
    ~ProjectTranslationTesterDialog() override;

    QmlDebugTranslationRunner *runner() const { return m_runner; }
    QmlFileListModel *fileListModel() const { return m_fileListModel.get(); }

    // Draws the screens of the last completed run with their findings into
    // `directory` (VisualReport); false, with the reason shown, when it
    // could not be written or there is no completed run.
    bool writeVisualReport(const QString &directory);

private:
    void runTests();
    void startRunner();
    void showStatus(const QString &text);
    void runFinished();
    void stepProgress();
    void chooseVisualReportFolder();

    std::unique_ptr<Ui::ProjectTranslationTesterDialog> m_ui;
    TranslationTestViewInterface *m_view;
    std::unique_ptr<QmlFileListModel> m_fileListModel;
    QmlDebugTranslationRunner *m_runner;
    QPushButton *m_visualReportButton;
    TestLanguageChoice *m_languageChoice;
    // The files and languages of the run going on or of the last one.
    QList<Host::Utils::Path> m_testedFiles;
    QStringList m_testedLanguages;
    bool m_testedPseudoLanguage = false;
};

} // namespace Lexora
