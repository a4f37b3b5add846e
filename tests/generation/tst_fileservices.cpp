#include "tst_fileservices.h"

#include "fileservices.h"
#include "generationtestsupport.h"
#include "translationfileservices.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <thread>

using namespace Lexora;

namespace {

// Runs `function` on a worker thread while the interface thread keeps
// answering, as it does in the studio.
template<typename Function> auto onWorkerThread(Function function)
{
    decltype(function()) result;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        result = function();
        done = true;
    });
    QDeadlineTimer deadline(20000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    return result;
}

QStringList fileNames(const FilePaths &paths)
{
    QStringList names;
    for (const FilePath &path : paths)
        names.append(QFileInfo(QString::fromStdString(path)).fileName());
    return names;
}

} // namespace

void TestFileServices::projectQueries_data()
{
    QTest::addColumn<bool>("withProject");
    QTest::addColumn<bool>("fromWorker");
    QTest::newRow("worker thread") << true << true;
    // The interface thread must not wait for itself.
    QTest::newRow("interface thread") << true << false;
    QTest::newRow("no project, worker thread") << false << true;
    QTest::newRow("no project, interface thread") << false << false;
}

void TestFileServices::projectQueries()
{
    QFETCH(bool, withProject);
    QFETCH(bool, fromWorker);

    TestProject project;
    project.writeFile(QStringLiteral("App.qml"), "import QtQuick\nItem {}\n");
    project.writeFile(QStringLiteral("screens/Main.ui.qml"), "import QtQuick\nItem {}\n");
    project.writeFile(QStringLiteral("screens/Old.qml.bak"), "import QtQuick\nItem {}\n");
    project.writeFile(QStringLiteral("notes.txt"), "not QML");
    if (withProject)
        QVERIFY(project.open());

    FileServices services;
    FilePaths files;
    FilePath i18n;
    if (fromWorker) {
        files = onWorkerThread([&] { return services.projectQmlFiles(); });
        i18n = onWorkerThread([&] { return services.i18nDirectory(); });
    } else {
        files = services.projectQmlFiles();
        i18n = services.i18nDirectory();
    }
    if (!withProject) {
        QVERIFY(files.empty());
        QVERIFY(i18n.empty());
        return;
    }

    QStringList names = fileNames(files);
    names.sort();
    QCOMPARE(names, QStringList({ QStringLiteral("App.qml"), QStringLiteral("Main.ui.qml") }));
    for (const FilePath &file : files)
        QVERIFY(QFileInfo(QString::fromStdString(file)).isAbsolute());
    QCOMPARE(QString::fromStdString(i18n), project.filePath(QStringLiteral("i18n")));
    QVERIFY(QFileInfo(project.filePath(QStringLiteral("i18n"))).isDir());
}

void TestFileServices::openFiles()
{
    QTemporaryDir directory;
    FileServices services;

    QVERIFY(!services.openFileForReading(
        directory.filePath(QStringLiteral("missing.qml")).toStdString()));
    QVERIFY(!services.openFileForWriting(
        directory.filePath(QStringLiteral("missing/qml_de.qm")).toStdString()));

    const std::string path = directory.filePath(QStringLiteral("qml_de.ts")).toStdString();
    std::unique_ptr<QIODevice> writer = services.openFileForWriting(path);
    QVERIFY(writer);
    writer->write("content");
    QVERIFY(!services.openFileForReading(path));
    writer.reset();

    std::unique_ptr<QIODevice> reader = services.openFileForReading(path);
    QVERIFY(reader);
    QCOMPARE(reader->readAll(), QByteArray("content"));

    services.writeFile(path, "written");
    QCOMPARE(readFile(QString::fromStdString(path)), QByteArray("written"));
    // A failed write is logged, and leaves nothing behind.
    const QString missing = directory.filePath(QStringLiteral("missing/qml_fr.ts"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Could not write .*missing/qml_fr.ts"));
    services.writeFile(missing.toStdString(), "lost");
    QVERIFY(!QFileInfo::exists(QFileInfo(missing).path()));
}

void TestFileServices::translationFileServicesReport_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("load unknown format") << false << "xml"
                                         << "Unknown format xml for file /p/App.qml";
    QTest::newRow("save qml") << true << "qml"
                              << "Cannot save qml files";
    QTest::newRow("save unknown format") << true << "xml"
                                         << "Unknown format xml";
}

void TestFileServices::translationFileServicesReport()
{
    QFETCH(bool, save);
    QFETCH(QString, format);
    QFETCH(QString, expectedError);

    RecordingFeedback feedback;
    TranslationFileServices services(feedback);
    QBuffer buffer;
    if (save) {
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        CatalogMessage message;
        message.id = QStringLiteral("greeting");
        services.saveMessages({ message }, format, QStringLiteral("de"), buffer);
        QVERIFY(buffer.data().isEmpty());
    } else {
        buffer.setData("import QtQuick\nText { text: qsTrId(\"greeting\") }\n");
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(services.loadMessages(&buffer, "/p/App.qml", format).isEmpty());
    }
    QCOMPARE(feedback.errors(), QStringList { expectedError });
}

void TestFileServices::loadMessagesWithoutDevice()
{
    RecordingFeedback feedback;
    TranslationFileServices services(feedback);
    QVERIFY(services.loadMessages(nullptr, "/p/Missing.qml", QStringLiteral("qml")).isEmpty());

    QBuffer buffer;
    buffer.setData("import QtQuick\nText { text: qsTrId(\"greeting\") }\n");
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const QList<CatalogMessage> messages
        = services.loadMessages(&buffer, "/p/App.qml", QStringLiteral("qml"));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().id, QStringLiteral("greeting"));
    QCOMPARE(messages.first().translatableKey, -1);
    QCOMPARE(messages.first().type, CatalogMessage::Unfinished);
    QVERIFY(feedback.errors().isEmpty());
}
