#pragma once

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class ProjectTranslationTesterDialog;
}
QT_END_NAMESPACE

namespace Lexora {

class QmlDebugTranslationRunner;
class QmlFileListModel;
class TranslationTestViewInterface;

// Tests a chosen set of the project's UI files in every project language and
// shows the progress of the run.
class ProjectTranslationTesterDialog : public QDialog
{
    Q_OBJECT

public:
    ProjectTranslationTesterDialog(TranslationTestViewInterface *view, QWidget *parent = nullptr);
    ~ProjectTranslationTesterDialog() override;

    QmlDebugTranslationRunner *runner() const { return m_runner; }
    QmlFileListModel *fileListModel() const { return m_fileListModel.get(); }

private:
    void runTests();
    void startRunner();
    void showStatus(const QString &text);
    void runFinished();
    void stepProgress();

    std::unique_ptr<Ui::ProjectTranslationTesterDialog> m_ui;
    TranslationTestViewInterface *m_view;
    std::unique_ptr<QmlFileListModel> m_fileListModel;
    QmlDebugTranslationRunner *m_runner;
};

} // namespace Lexora
