#include "lexoraconstants.h"
#include "userfeedback.h"

#include "messageboxcatcher.h"

#include <core/progresscenter.h>
#include <core/progressmodel.h>
#include <projects/issuelist.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

using Host::Core::ProgressCenter;
using Host::Projects::Issue;
using Host::Projects::IssueList;

class tst_UserFeedback : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        IssueList::instance()->clearIssues();
        ProgressCenter::instance()->setFinishedLinger(-1);
        ProgressCenter::instance()->removeFinished();
    }

    void reportsFromWorkerThreadReachTheInterfaceThread()
    {
        Lexora::UserFeedback feedback;
        QThread *interfaceThread = QThread::currentThread();
        bool ranOnWorker = false;

        QThread *worker = QThread::create([&] {
            ranOnWorker = QThread::currentThread() != interfaceThread;
            QFutureInterface<void> progress
                = feedback.createProgress("Generate translation files", "GenerateTranslationFiles");
            feedback.startProgress(progress);
            feedback.setProgressMaximum(progress, 5);
            feedback.setProgressValue(progress, 3);
            feedback.addError("cannot write qml_de.qm");
            feedback.addError(QString()); // no task for an empty message
            feedback.addFileError("/project/Main.qml", 12, "unterminated string");
            feedback.setProgressValue(progress, 5);
            feedback.finishProgress(progress);
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QVERIFY(ranOnWorker);

        // Nothing reached the host objects from the worker; the queued calls
        // run once the interface thread gets back to its event loop.
        QTRY_COMPARE(IssueList::instance()->issues(Lexora::Constants::taskCategory).size(), 2);
        const auto issues = IssueList::instance()->issues(Lexora::Constants::taskCategory);
        QCOMPARE(issues[0].type, Issue::Error);
        QCOMPARE(issues[0].description, QStringLiteral("cannot write qml_de.qm"));
        QVERIFY(!issues[0].hasLocation());
        QCOMPARE(issues[1].description, QStringLiteral("unterminated string"));
        QCOMPARE(issues[1].file.toString(), QStringLiteral("/project/Main.qml"));
        QCOMPARE(issues[1].line, 12);
        QVERIFY(issues[1].options.testFlag(Issue::AddTextMark));
        QVERIFY(issues[1].options.testFlag(Issue::FlashWorthy));

        // The entry appears even though the worker finished before it was added.
        Host::Core::ProgressModel *model = ProgressCenter::instance()->model();
        QTRY_COMPARE(model->rowCount(), 1);
        QTRY_VERIFY(model->entry(0).finished);
        const Host::Core::ProgressEntry entry = model->entry(0);
        QCOMPARE(entry.title, QStringLiteral("Generate translation files"));
        QCOMPARE(entry.typeId, QByteArray("GenerateTranslationFiles"));
        QCOMPARE(entry.maximum, 5);
        QCOMPARE(entry.value, 5);
    }

    void progressFollowsARunningWorker()
    {
        Lexora::UserFeedback feedback;
        QFutureInterface<void> progress = feedback.createProgress("Busy", "Busy");
        feedback.startProgress(progress);
        feedback.setProgressMaximum(progress, 10);

        Host::Core::ProgressModel *model = ProgressCenter::instance()->model();
        QTRY_COMPARE(model->rowCount(), 1);
        QVERIFY(!model->entry(0).finished);

        QThread *worker = QThread::create([&] {
            for (int value = 1; value <= 10; ++value)
                feedback.setProgressValue(progress, value);
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QTRY_COMPARE(model->entry(0).value, 10);
        QVERIFY(!model->entry(0).finished);

        feedback.finishProgress(progress);
        QTRY_VERIFY(model->entry(0).finished);
    }

    void missingImageWarningNamesTheTranslation()
    {
        Lexora::UserFeedback feedback;
        MessageBoxCatcher catcher;
        feedback.showMissingImageWarning("welcome.title", "content/Main.ui.qml", "busy");
        QCOMPARE(catcher.titles, QStringList { "No image for translation id found" });
        QCOMPARE(catcher.texts.value(0),
                 QStringLiteral("Translation id is: welcome.title\nFile path is: "
                                "content/Main.ui.qml\nState is: busy"));
    }
};

QTEST_MAIN(tst_UserFeedback)
#include "tst_userfeedback.moc"
