#include <formeditor/formview.h>
#include <formeditor/frameoverlay.h>

#include <peerrequirement.h>

#include <testfiles.h>

#include <QFile>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Host::FormEditor::FormView;
using Host::FormEditor::FrameOverlay;

using Rects = QList<QRect>;

namespace {

// A document whose objects sit at known lines and columns.
const char form[] = "import QtQuick\n" // 1
                    "Rectangle {\n" // 2
                    "    width: 300; height: 200; color: \"white\"\n" // 3
                    "    Text { x: 10; y: 20; width: 80; height: 30 }\n" // 4
                    "    Item { x: 100; y: 0; width: 50; height: 50; visible: false }\n" // 5
                    "    Row { x: 0; y: 150\n" // 6
                    "        Repeater { model: 3; Rectangle { width: 40; height: 40 } }\n" // 7
                    "    }\n" // 8
                    "    Loader { x: 200; y: 100; source: \"Other.qml\" }\n" // 9
                    "}\n";

const char other[] = "import QtQuick\n"
                     "Rectangle {\n"
                     "    width: 20; height: 20\n"
                     "    Text { x: 10; y: 20; width: 80; height: 30 }\n" // same place as in form
                     "}\n";

} // namespace

class tst_FormView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void framesFollowDeclarations_data();
    void framesFollowDeclarations();
    void framesFollowChanges();
    void framesArePainted();
    void brokenDocuments_data();
    void brokenDocuments();
    void translatedTexts_data();
    void translatedTexts();
    void runawayScripts_data();
    void runawayScripts();

private:
    QTemporaryDir m_dir;
    QUrl m_url;
};

void tst_FormView::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QVERIFY(m_dir.isValid());
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("Other.qml")), other));
    m_url = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("Form.qml")));
}

void tst_FormView::framesFollowDeclarations_data()
{
    QTest::addColumn<QPoint>("point"); // null: no pointer, only the frames
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<Rects>("expected");

    const QRect root(0, 0, 300, 200);
    QTest::newRow("root between its children") << QPoint(250, 180) << 2 << 1 << Rects { root };
    // The loaded file declares a Text at the same place: it is not this
    // document's object.
    QTest::newRow("child, not the loaded file's")
        << QPoint(20, 30) << 4 << 5 << Rects { QRect(10, 20, 80, 30) };
    QTest::newRow("hidden item has no frame") << QPoint() << 5 << 5 << Rects {};
    QTest::newRow("hidden item is not hit") << QPoint(120, 20) << 2 << 1 << Rects { root };
    QTest::newRow("one declaration, three delegates")
        << QPoint(50, 160) << 7 << 30
        << Rects { QRect(0, 150, 40, 40), QRect(40, 150, 40, 40), QRect(80, 150, 40, 40) };
    QTest::newRow("loaded content is the loader")
        << QPoint(205, 105) << 9 << 5 << Rects { QRect(200, 100, 20, 20) };
    QTest::newRow("nothing declared there") << QPoint() << 3 << 5 << Rects {};
    QTest::newRow("column must match too") << QPoint() << 4 << 6 << Rects {};
}

void tst_FormView::framesFollowDeclarations()
{
    QFETCH(QPoint, point);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(Rects, expected);

    FormView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(view.setSource(form, m_url));
    QVERIFY(view.errors().isEmpty());
    view.setFrames({ { { line, column }, Qt::red } });
    // The loader's content arrives asynchronously; wait until it is there.
    QTRY_VERIFY(view.rootItem()->childItems().size() == 4
                && view.rootItem()->childItems().last()->childItems().size() == 1);
    QTRY_COMPARE(view.overlay()->frames().size(), expected.size());
    Rects drawn;
    for (const FrameOverlay::Frame &frame : view.overlay()->frames()) {
        drawn.append(frame.rect.toRect());
        QCOMPARE(frame.color, QColor(Qt::red));
    }
    std::sort(
        drawn.begin(), drawn.end(), [](const QRect &a, const QRect &b) { return a.x() < b.x(); });
    QCOMPARE(drawn, expected);
    if (point.isNull())
        return;

    // The object under the pointer is that declaration; a click names it, and
    // never reaches the items themselves.
    const FormView::SourcePosition position = view.positionAt(point);
    QCOMPARE(position.line, line);
    QCOMPARE(position.column, column);
    QSignalSpy clicked(&view, &FormView::clicked);
    QTest::mouseClick(view.quickWidget(), Qt::LeftButton, Qt::ControlModifier, point);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.first().at(0).value<FormView::SourcePosition>(), position);
    QCOMPARE(clicked.first().at(1).value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
}

void tst_FormView::framesFollowChanges()
{
    FormView view;
    view.show();
    QVERIFY(view.setSource(form, m_url));
    view.setFrames({ { { 4, 5 }, Qt::magenta } });
    QCOMPARE(view.overlay()->frames().size(), 1);

    // The item moves (a state change would do the same): the frame follows.
    QQuickItem *text = view.itemsAt({ 4, 5 }).value(0);
    QVERIFY(text);
    text->setX(60);
    QTRY_COMPARE(view.overlay()->frames().value(0).rect.toRect(), QRect(60, 20, 80, 30));

    // A new document drops the old document's frames until it is given its own.
    QSignalSpy changed(&view, &FormView::sourceChanged);
    QVERIFY(view.setSource("import QtQuick\nItem { width: 10; height: 10 }\n", m_url));
    QCOMPARE(changed.size(), 1);
    view.setFrames({});
    QCOMPARE(view.overlay()->frames().size(), 0);
}

void tst_FormView::framesArePainted()
{
    FormView view;
    view.show();
    QVERIFY(view.setSource(
        "import QtQuick\nRectangle {\n    width: 100; height: 100; color: \"white\"\n"
        "    Item { x: 20; y: 20; width: 40; height: 40 }\n}\n",
        m_url));
    view.setFrames({ { { 4, 5 }, QColor(255, 0, 0) } });
    QTRY_VERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage image = view.quickWidget()->grab().toImage();
    // The frame's pen lies inside the item's bounds; the middle stays white.
    QCOMPARE(image.pixelColor(21, 40), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(40, 21), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(40, 40), QColor(Qt::white));
    QCOMPARE(image.pixelColor(10, 10), QColor(Qt::white));
}

void tst_FormView::brokenDocuments_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("syntax error") << QByteArray("import QtQuick\nItem {\n") << "Form.qml:3";
    QTest::newRow("unknown type") << QByteArray("import QtQuick\nItem { Nonsense {} }\n")
                                  << "Nonsense is not a type";
    QTest::newRow("window root") << QByteArray("import QtQuick.Window\nWindow {}\n")
                                 << "not an item";
}

void tst_FormView::brokenDocuments()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, errorPart);

    FormView view;
    QVERIFY(view.setSource(form, m_url));
    view.setFrames({ { { 2, 1 }, Qt::red } });
    QVERIFY(!view.setSource(text, m_url));
    QVERIFY2(view.errors().join(QLatin1Char('\n')).contains(errorPart),
             qPrintable(view.errors().join(QLatin1Char('\n'))));
    QCOMPARE(view.rootItem(), nullptr);
    QCOMPARE(view.overlay()->frames().size(), 0);

    // A good document afterwards shows again.
    QVERIFY(view.setSource(form, m_url));
    QVERIFY(view.rootItem());
    QVERIFY(view.errors().isEmpty());
}

void tst_FormView::runawayScripts_data()
{
    QTest::addColumn<QByteArray>("text");
    // Whether the loop runs while the form is made (else later, from a timer).
    QTest::addColumn<bool>("whileCreated");

    QTest::newRow("handler") << QByteArray(
        "import QtQuick\nItem { Component.onCompleted: { while (true) {} } }\n")
                             << true;
    QTest::newRow("binding") << QByteArray(
        "import QtQuick\nItem { width: { for (;;) {} return 1 } }\n")
                             << true;
    QTest::newRow("timer") << QByteArray("import QtQuick\nItem {\n    Timer { running: true; "
                                         "interval: 10; onTriggered: { while (true) {} } }\n}\n")
                           << false;
}

void tst_FormView::runawayScripts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, whileCreated);

    FormView view;
    view.setScriptTimeLimit(std::chrono::milliseconds(300));
    QSignalSpy changed(&view, &FormView::sourceChanged);
    QCOMPARE(view.setSource(text, m_url), !whileCreated);
    QTRY_VERIFY(!view.errors().isEmpty());
    QVERIFY2(view.errors().join(QLatin1Char('\n')).contains(QLatin1String("was stopped")),
             qPrintable(view.errors().join(QLatin1Char('\n'))));
    QCOMPARE(view.qmlErrors().value(0).url(), m_url);
    QCOMPARE(view.rootItem(), nullptr);
    QCOMPARE(changed.count(), whileCreated ? 1 : 2);

    // The engine runs scripts again for the next document.
    QVERIFY(view.setSource(form, m_url));
    QVERIFY(view.rootItem());
    QTest::qWait(100);
    QVERIFY(view.errors().isEmpty());
}

void tst_FormView::translatedTexts_data()
{
    QTest::addColumn<QString>("file"); // "de", "missing", or empty
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("shown");

    QTest::newRow("catalogue") << "de" << true << "Willkommen";
    QTest::newRow("no catalogue: the ID") << "" << true << "welcome.heading";
    QTest::newRow("missing file: the ID") << "missing" << false << "welcome.heading";
}

void tst_FormView::translatedTexts()
{
    QFETCH(QString, file);
    QFETCH(bool, loads);
    QFETCH(QString, shown);

    // The catalogue comes from Qt's own compiler, as a project's would.
    const QString lrelease
        = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/lrelease");
    if (!QFile::exists(lrelease))
        LEXORA_PEER_MISSING("lrelease is missing");
    const QString ts = m_dir.filePath(QStringLiteral("qml_de.ts"));
    const QString qm = m_dir.filePath(QStringLiteral("qml_de.qm"));
    if (!QFile::exists(qm)) {
        QVERIFY(writeFile(ts,
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                          "<TS version=\"2.1\" language=\"de\"><context><name></name>"
                          "<message id=\"welcome.heading\"><source>welcome.heading</source>"
                          "<translation>Willkommen</translation></message></context></TS>\n"));
        QCOMPARE(QProcess::execute(lrelease, { "-silent", "-idbased", ts, "-qm", qm }), 0);
    }

    FormView view;
    QVERIFY(view.setSource("import QtQuick\nText { text: qsTrId(\"welcome.heading\") }\n", m_url));
    QCOMPARE(view.rootItem()->property("text").toString(), QStringLiteral("welcome.heading"));
    const QString name = file == QLatin1String("de") ? qm
        : file == QLatin1String("missing")           ? m_dir.filePath(QStringLiteral("none.qm"))
                                                     : QString();
    QCOMPARE(view.setTranslationFile(name), loads);
    QCOMPARE(view.rootItem()->property("text").toString(), shown);
    QCOMPARE(view.translationFile(), loads ? name : QString());

    // Back to the texts as written; a document rendered later is translated too.
    QVERIFY(view.setTranslationFile(qm));
    QVERIFY(view.setSource("import QtQuick\nText { text: qsTrId(\"welcome.heading\") }\n", m_url));
    QCOMPARE(view.rootItem()->property("text").toString(), QStringLiteral("Willkommen"));
    QVERIFY(view.setTranslationFile(QString()));
    QCOMPARE(view.rootItem()->property("text").toString(), QStringLiteral("welcome.heading"));
}

QTEST_MAIN(tst_FormView)
#include "tst_formview.moc"
