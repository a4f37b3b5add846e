#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <formeditor/formeditorview.h>
#include <formeditor/formview.h>
#include <formeditor/frameoverlay.h>
#include <formeditor/nodenavigatorview.h>
#include <formeditor/nodetreemodel.h>
#include <formeditor/selectionoverlay.h>
#include <projects/issuelist.h>

#include <peerrequirement.h>
#include <testfiles.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeView>
#include <cstdio>

using namespace Host::FormEditor;
using Host::Designer::DocumentModel;
using Host::Designer::FormDocument;
using Host::Designer::Node;
using Paths = QList<QList<int>>; // node paths below the root
using Rects = QList<QRect>;

namespace {

const char screen[]
    = "import QtQuick\n"
      "\n"
      "Rectangle {\n"
      "    id: root\n"
      "    width: 300; height: 200\n"
      "    Text { id: title; x: 10; y: 10; width: 100; height: 20; text: \"a\" }\n"
      "    Column {\n"
      "        x: 0; y: 100\n"
      "        Rectangle { id: box; width: 50; height: 30 }\n"
      "        Rectangle { width: 60; height: 40 }\n"
      "    }\n"
      "    states: [\n"
      "        State { name: \"busy\"; PropertyChanges { target: title; text: \"b\" } }\n"
      "    ]\n"
      "}\n";

// A document whose objects sit at known lines and columns, for the form view alone.
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

// The tree as indented lines.
QStringList
treeLines(const QAbstractItemModel *model, const QModelIndex &parent = {}, int depth = 0)
{
    QStringList lines;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        lines.append(QString(depth, QLatin1Char(' ')) + index.data().toString());
        lines += treeLines(model, index, depth + 1);
    }
    return lines;
}

Node *nodeByPath(DocumentModel *model, const QList<int> &path)
{
    Node *node = model->rootNode();
    for (int row : path)
        node = node ? node->childNodes().value(row) : nullptr;
    return node;
}

QList<Node *> nodesAt(DocumentModel *model, const Paths &paths)
{
    QList<Node *> nodes;
    for (const QList<int> &path : paths)
        nodes.append(nodeByPath(model, path));
    return nodes;
}

QList<Node *> treeSelection(QTreeView *tree)
{
    QList<Node *> nodes;
    for (const QModelIndex &index : tree->selectionModel()->selectedRows())
        nodes.append(NodeTreeModel::nodeOf(index));
    return nodes;
}

// A catalogue from Qt's own compiler, as a project's would be: one ID-based
// message, written beside the target and renamed onto it as generation does.
QString lrelease()
{
    return QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/lrelease");
}

bool compileCatalogue(const QString &qm, const char *id, const char *translation)
{
    const QString ts = qm + QStringLiteral(".ts");
    const QByteArray content = QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                          "<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"de\">"
                                          "<context><name></name><message id=\"")
        + id + "\"><source>" + id + "</source><translation>" + translation
        + "</translation></message></context></TS>\n";
    return writeFile(ts, content)
        && QProcess::execute(lrelease(), { "-silent", "-idbased", ts, "-qm", qm + ".new" }) == 0
        && std::rename(QFile::encodeName(qm + ".new").constData(),
                       QFile::encodeName(qm).constData())
        == 0;
}

// A document opened with a form view attached, as the studio shows it.
struct Form
{
    explicit Form(const QString &file, int renderDelay = -1, int scriptLimit = 0)
    {
        if (renderDelay >= 0)
            view.setRenderDelay(renderDelay);
        if (scriptLimit > 0)
            view.formView()->setScriptTimeLimit(std::chrono::milliseconds(scriptLimit));
        QString error;
        opened = document.open(Host::Utils::Path::fromString(file), &error);
        if (!opened)
            qWarning() << error;
        document.model()->setFileUrl(QUrl::fromLocalFile(file));
        document.model()->attachView(&view);
    }

    FormDocument document;
    FormEditorView view;
    std::unique_ptr<QWidget> widget { view.widgetDescription().widget };
    DocumentModel *model() { return document.model(); }
    FormView *form() { return view.formView(); }
    bool opened = false;
};

} // namespace

class tst_FormEditorViews : public QObject
{
    Q_OBJECT

    QString screenPath() const { return m_dir.filePath(QStringLiteral("Screen.ui.qml")); }
    QTemporaryDir m_dir;
    QUrl m_url;

private slots:
    void initTestCase()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QVERIFY(m_dir.isValid());
        QVERIFY(writeFile(screenPath(), screen));
        // The same place as the Text in `form`.
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("Other.qml")),
                          "import QtQuick\nRectangle {\n    width: 20; height: 20\n"
                          "    Text { x: 10; y: 20; width: 80; height: 30 }\n}\n"));
        m_url = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("Form.qml")));
    }

    void framesFollowDeclarations_data()
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

    void framesFollowDeclarations()
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
        std::sort(drawn.begin(), drawn.end(), [](QRect a, QRect b) { return a.x() < b.x(); });
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

    void framesFollowChangesAndArePainted()
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
        QVERIFY(view.setSource("import QtQuick\nRectangle {\n    width: 100; height: 100; color: "
                               "\"white\"\n    Item { x: 20; y: 20; width: 40; height: 40 }\n}\n",
                               m_url));
        QCOMPARE(changed.size(), 1);
        view.setFrames({});
        QCOMPARE(view.overlay()->frames().size(), 0);
        view.setFrames({ { { 4, 5 }, QColor(255, 0, 0) } });
        QTRY_VERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.quickWidget()->grab().toImage();
        // The frame's pen lies inside the item's bounds; the middle stays white.
        QCOMPARE(image.pixelColor(21, 40), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(40, 21), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(40, 40), QColor(Qt::white));
        QCOMPARE(image.pixelColor(10, 10), QColor(Qt::white));
    }

    void brokenDocuments_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("errorPart");
        QTest::addColumn<bool>("accepted"); // a runaway timer stops only after loading
        QTest::addColumn<int>("sourceChanges"); // counted for runaway scripts only

        QTest::newRow("syntax error")
            << QByteArray("import QtQuick\nItem {\n") << "Form.qml:3" << false << -1;
        QTest::newRow("unknown type") << QByteArray("import QtQuick\nItem { Nonsense {} }\n")
                                      << "Nonsense is not a type" << false << -1;
        QTest::newRow("window root")
            << QByteArray("import QtQuick.Window\nWindow {}\n") << "not an item" << false << -1;
        QTest::newRow("runaway handler")
            << QByteArray("import QtQuick\nItem { Component.onCompleted: { while (true) {} } }\n")
            << "was stopped" << false << 1;
        QTest::newRow("runaway binding")
            << QByteArray("import QtQuick\nItem { width: { for (;;) {} return 1 } }\n")
            << "was stopped" << false << 1;
        QTest::newRow("runaway timer")
            << QByteArray("import QtQuick\nItem {\n    Timer { running: true; interval: 10; "
                          "onTriggered: { while (true) {} } }\n}\n")
            << "was stopped" << true << 2;
    }

    void brokenDocuments()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, errorPart);
        QFETCH(bool, accepted);
        QFETCH(int, sourceChanges);
        FormView view;
        view.setScriptTimeLimit(std::chrono::milliseconds(300));
        QVERIFY(view.setSource(form, m_url));
        view.setFrames({ { { 2, 1 }, Qt::red } });
        QSignalSpy changed(&view, &FormView::sourceChanged);
        QCOMPARE(view.setSource(text, m_url), accepted);
        QTRY_VERIFY(!view.errors().isEmpty());
        QVERIFY2(view.errors().join('\n').contains(errorPart),
                 qPrintable(view.errors().join('\n')));
        QCOMPARE(view.rootItem(), nullptr);
        QCOMPARE(view.overlay()->frames().size(), 0);
        if (sourceChanges >= 0) {
            QCOMPARE(view.qmlErrors().value(0).url(), m_url);
            QCOMPARE(changed.count(), sourceChanges);
        }

        // A good document afterwards shows again, and the engine runs its scripts.
        QVERIFY(view.setSource(form, m_url));
        QVERIFY(view.rootItem());
        QTest::qWait(100);
        QVERIFY(view.errors().isEmpty());
    }

    void translatedTexts_data()
    {
        QTest::addColumn<QString>("file"); // "de", "missing", or empty
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("shown");

        QTest::newRow("catalogue") << "de" << true << "Willkommen";
        QTest::newRow("no catalogue: the ID") << "" << true << "welcome.heading";
        QTest::newRow("missing file: the ID") << "missing" << false << "welcome.heading";
    }

    void translatedTexts()
    {
        QFETCH(QString, file);
        QFETCH(bool, loads);
        QFETCH(QString, shown);
        if (!QFile::exists(lrelease()))
            LEXORA_PEER_MISSING("lrelease is missing");
        const QString qm = m_dir.filePath(QStringLiteral("qml_de.qm"));
        if (!QFile::exists(qm))
            QVERIFY(compileCatalogue(qm, "welcome.heading", "Willkommen"));
        const char *qml = "import QtQuick\nText { text: qsTrId(\"welcome.heading\") }\n";
        const auto text = [](FormView &view) {
            return view.rootItem()->property("text").toString();
        };
        FormView view;
        QVERIFY(view.setSource(qml, m_url));
        QCOMPARE(text(view), QStringLiteral("welcome.heading"));
        const QString name = file == QLatin1String("de") ? qm
            : file.isEmpty()                             ? QString()
                                                         : m_dir.filePath("none.qm");
        QCOMPARE(view.setTranslationFile(name), loads);
        QCOMPARE(text(view), shown);
        QCOMPARE(view.translationFile(), loads ? name : QString());

        // Back to the texts as written; a document rendered later is translated too.
        QVERIFY(view.setTranslationFile(qm));
        QVERIFY(view.setSource(qml, m_url));
        QCOMPARE(text(view), QStringLiteral("Willkommen"));
        QVERIFY(view.setTranslationFile(QString()));
        QCOMPARE(text(view), QStringLiteral("welcome.heading"));
    }

    void navigatorSelectionIsModelSelection_data()
    {
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<bool>("fromTree");

        QTest::newRow("tree row selects the node") << Paths { { 0 } } << true;
        QTest::newRow("several rows, nested") << Paths { { 0 }, { 1, 1 } } << true;
        QTest::newRow("model selection shows in the tree") << Paths { { 1, 0 } } << false;
        QTest::newRow("several model nodes") << Paths { { 1 }, { 2, 0 } } << false;
        QTest::newRow("clearing from the tree") << Paths {} << true;
    }

    void navigatorSelectionIsModelSelection()
    {
        QFETCH(Paths, paths);
        QFETCH(bool, fromTree);
        Form screen(screenPath());
        QVERIFY(screen.opened);
        DocumentModel *model = screen.model();
        NodeNavigatorView view;
        QAbstractItemModelTester tester(view.treeModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::unique_ptr<QTreeView> tree(qobject_cast<QTreeView *>(view.widgetDescription().widget));
        QVERIFY(tree);
        model->attachView(&view);
        QStringList lines { "root (Rectangle)",  " title (Text)", " Column",
                            "  box (Rectangle)", "  Rectangle",   " busy (State)",
                            "  PropertyChanges" };
        QCOMPARE(treeLines(view.treeModel()), lines);
        // Something selected before, so that each case must replace it.
        model->setSelectedNodes({ model->rootNode() });

        QList<Node *> nodes = nodesAt(model, paths);
        QVERIFY(!nodes.contains(nullptr));
        if (fromTree) {
            QItemSelection selection;
            for (Node *node : nodes)
                selection.select(view.treeModel()->indexOf(node), view.treeModel()->indexOf(node));
            tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        } else {
            model->setSelectedNodes(nodes);
        }
        const auto sorted = [](QList<Node *> list) {
            std::sort(list.begin(), list.end(), [](Node *a, Node *b) {
                return a->sourceBegin() < b->sourceBegin();
            });
            return list;
        };
        QCOMPARE(sorted(model->selectedNodes()), sorted(nodes));
        QCOMPARE(sorted(treeSelection(tree.get())), sorted(nodes));

        // Removing a node rebuilds the rows without it; detached, the tree is empty.
        QVERIFY(model->removeNode(nodeByPath(model, { 1, 0 })));
        lines.removeAt(3);
        QCOMPARE(treeLines(view.treeModel()), lines);
        model->detachView(&view);
        QCOMPARE(view.treeModel()->rowCount(), 0);
    }

    void framesFromAuxiliaryData_data()
    {
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<int>("line"); // where the compiler says the node is declared
        QTest::addColumn<int>("column");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QRect>("expected"); // null: no frame

        QTest::newRow("text") << QList<int> { 0 } << 6 << 5 << QColor(Qt::red)
                              << QRect(10, 10, 100, 20);
        QTest::newRow("in a positioner")
            << QList<int> { 1, 1 } << 10 << 9 << QColor(Qt::magenta) << QRect(0, 130, 60, 40);
        QTest::newRow("root") << QList<int> {} << 3 << 1 << QColor(Qt::green)
                              << QRect(0, 0, 300, 200);
        // A state's text is tested where the state sets it; the frame goes around
        // the object the state changes. Objects in a property's list: the compiler
        // counts from the type name.
        QTest::newRow("changes of a state frame their target")
            << QList<int> { 2, 0 } << 13 << 31 << QColor(Qt::red) << QRect(10, 10, 100, 20);
        QTest::newRow("a state itself has nothing to frame")
            << QList<int> { 2 } << 13 << 9 << QColor(Qt::red) << QRect();
        // The test overlay clears a frame with transparent black first.
        QTest::newRow("transparent is no frame")
            << QList<int> { 0 } << 6 << 5 << QColor(0, 0, 0, 0) << QRect();
        QTest::newRow("invalid colour is no frame")
            << QList<int> { 0 } << 6 << 5 << QColor() << QRect();
    }

    void framesFromAuxiliaryData()
    {
        QFETCH(QList<int>, path);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QColor, color);
        QFETCH(QRect, expected);
        Form screen(screenPath());
        QVERIFY(screen.opened);
        QVERIFY2(screen.form()->rootItem(), qPrintable(screen.form()->errors().join('\n')));
        Node *node = nodeByPath(screen.model(), path);
        QVERIFY(node);
        const FormView::SourcePosition position = FormEditorView::declarationPosition(node);
        QCOMPARE(position.line, line);
        QCOMPARE(position.column, column);

        screen.model()->setAuxiliaryData(node, "FrameToolTip@Internal", QStringLiteral("why"));
        screen.model()->setAuxiliaryData(node, "FrameColor@Internal", color);
        FrameOverlay *overlay = screen.form()->overlay();
        const QList<FrameOverlay::Frame> frames = overlay->frames();
        if (expected.isNull()) {
            QVERIFY(frames.isEmpty());
            return;
        }
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().rect.toRect(), expected);
        QCOMPARE(frames.first().color, color);
        // The pointer on the frame (and on no frame inside it) finds its tooltip.
        QCOMPARE(frames.first().toolTip, QStringLiteral("why"));
        QCOMPARE(overlay->toolTipAt(QRectF(expected).center()), QStringLiteral("why"));
        QCOMPARE(overlay->toolTipAt(QPointF(-5, -5)), QString());

        // Other auxiliary data leaves the frames alone; clearing the colour removes the frame.
        screen.model()->setAuxiliaryData(node, "language@Internal", QStringLiteral("de"));
        QCOMPARE(overlay->frames().size(), 1);
        screen.model()->setAuxiliaryData(node, "FrameColor@Internal", QVariant());
        QVERIFY(overlay->frames().isEmpty());
    }

    void formFollowsRegeneratedTranslations()
    {
        if (!QFile::exists(lrelease()))
            LEXORA_PEER_MISSING("lrelease is missing");
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Screen.ui.qml")),
                          "import QtQuick\nText { text: qsTrId(\"t\") }\n"));
        const QString qm = dir.filePath(QStringLiteral("i18n/qml_de.qm"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("i18n")));
        QVERIFY(compileCatalogue(qm, "t", "Eins"));

        Form shown(dir.filePath(QStringLiteral("Screen.ui.qml")));
        QVERIFY(shown.opened);
        shown.model()->setAuxiliaryData(
            shown.model()->rootNode(), "language@Internal", QStringLiteral("de"));
        const auto text = [&] {
            return shown.form()->rootItem()->property("text").toString();
        };
        QCOMPARE(text(), QStringLiteral("Eins"));

        // No language picked again: the new file reaches the form by itself.
        QVERIFY(compileCatalogue(qm, "t", "Zwei"));
        QTRY_COMPARE(text(), QStringLiteral("Zwei"));
        QVERIFY(compileCatalogue(qm, "t", "Drei"));
        QTRY_COMPARE(text(), QStringLiteral("Drei"));
    }

    void formFollowsTextEdits()
    {
        Form screen(screenPath(), 0);
        Node *title = nodeByPath(screen.model(), { 0 });
        screen.model()->setAuxiliaryData(title, "FrameColor@Internal", QColor(Qt::red));
        const auto frame = [&] {
            return screen.form()->overlay()->frames().value(0).rect.toRect();
        };

        // A change through the model reaches the text and the rendered form.
        QVERIFY(screen.model()->setBindingProperty(title, "x", QStringLiteral("40")));
        screen.view.renderNow();
        QCOMPARE(frame(), QRect(40, 10, 100, 20));

        // So does typing into the text: the frame stays with its node.
        QTextCursor cursor(screen.document.document());
        const int at = screen.document.document()->toPlainText().indexOf(QLatin1String("y: 10;"));
        QVERIFY(at > 0);
        cursor.setPosition(at);
        cursor.setPosition(at + 6, QTextCursor::KeepAnchor);
        cursor.insertText(QStringLiteral("y: 70;"));
        screen.document.rewriter()->synchronizeWithText();
        screen.view.renderNow();
        QTRY_COMPARE(frame(), QRect(40, 70, 100, 20));
    }

    void clickSelectsNodeUnderPointer_data()
    {
        QTest::addColumn<Paths>("before");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("hover"); // the name shown under the pointer
        QTest::addColumn<Paths>("after");
        QTest::addColumn<Rects>("drawn"); // selection frames on the form

        QTest::newRow("text") << Paths { { 1, 0 } } << QPoint(20, 15) << false << "title"
                              << Paths { { 0 } } << Rects { { 10, 10, 100, 20 } };
        QTest::newRow("without an id: outlined, not named")
            << Paths {} << QPoint(55, 150) << false << "" << Paths { { 1, 1 } }
            << Rects { { 0, 130, 60, 40 } };
        QTest::newRow("root between its children")
            << Paths { { 0 } } << QPoint(250, 150) << false << "root" << Paths { {} }
            << Rects { { 0, 0, 300, 200 } };
        QTest::newRow("ctrl adds to the selection")
            << Paths { { 0 } } << QPoint(5, 105) << true << "box" << Paths { { 0 }, { 1, 0 } }
            << Rects { { 10, 10, 100, 20 }, { 0, 100, 50, 30 } };
        QTest::newRow("ctrl takes a selected node out")
            << Paths { { 0 }, { 1, 0 } } << QPoint(20, 15) << true << "title" << Paths { { 1, 0 } }
            << Rects { { 0, 100, 50, 30 } };
    }

    void clickSelectsNodeUnderPointer()
    {
        QFETCH(Paths, before);
        QFETCH(QPoint, point);
        QFETCH(bool, control);
        QFETCH(QString, hover);
        QFETCH(Paths, after);
        QFETCH(Rects, drawn);
        Form screen(screenPath());
        DocumentModel *model = screen.model();
        NodeNavigatorView navigator;
        std::unique_ptr<QTreeView> tree(
            qobject_cast<QTreeView *>(navigator.widgetDescription().widget));
        model->attachView(&navigator);
        screen.widget->resize(400, 300);
        screen.widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.widget.get()));
        model->setSelectedNodes(nodesAt(model, before));

        QWidget *surface = screen.form()->quickWidget();
        QTest::mouseMove(surface, point);
        QTRY_VERIFY(!screen.form()->selectionOverlay()->hoverRect().isEmpty());
        QCOMPARE(screen.form()->selectionOverlay()->hoverText(), hover);
        QTest::mouseClick(
            surface, Qt::LeftButton, control ? Qt::ControlModifier : Qt::NoModifier, point);

        const QList<Node *> expected = nodesAt(model, after);
        QCOMPARE(model->selectedNodes(), expected);
        const QList<Node *> inTree = treeSelection(tree.get());
        QCOMPARE(QSet<Node *>(inTree.begin(), inTree.end()),
                 QSet<Node *>(expected.begin(), expected.end()));
        Rects rects;
        for (const QRectF &rect : screen.form()->selectionOverlay()->selectionRects())
            rects.append(rect.toRect());
        QCOMPARE(rects, drawn);
        // The selection is no finding: the frames of translation tests stay as they were.
        QVERIFY(screen.form()->overlay()->frames().isEmpty());
    }

    void statesListedAndShown_data()
    {
        QTest::addColumn<QString>("states"); // the root's `states` list
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("text"); // the title's text in the chosen state

        const QString busy
            = R"(State { name: "busy"; PropertyChanges { target: title; text: "b" } })";
        const QString idle
            = R"(State { name: "idle"; PropertyChanges { target: title; text: "i" } })";
        QTest::newRow("by name, in document order")
            << busy + "," + idle << QStringList { "busy", "idle" } << "idle"
            << "i";
        QTest::newRow("the base state") << busy + "," + idle << QStringList { "busy", "idle" } << ""
                                        << "a";
        QTest::newRow("a computed name is not listed")
            << R"(State { name: "x" + "y" },)" + idle << QStringList { "idle" } << "idle"
            << "i";
        QTest::newRow("a state that is not there shows the base state")
            << idle << QStringList { "idle" } << "gone"
            << "a";
        QTest::newRow("no states") << "" << QStringList {} << ""
                                   << "a";
    }

    void statesListedAndShown()
    {
        QFETCH(QString, states);
        QFETCH(QStringList, names);
        QFETCH(QString, chosen);
        QFETCH(QString, text);
        const QString file = m_dir.filePath(QStringLiteral("States.ui.qml"));
        QVERIFY(writeFile(file,
                          "import QtQuick\nRectangle {\n    width: 300; height: 200\n"
                          "    Text { id: title; text: \"a\" }\n    states: ["
                              + states.toUtf8() + "]\n}\n"));
        Form screen(file);
        QVERIFY(screen.opened);
        DocumentModel *model = screen.model();
        FormView *form = screen.form();
        QVERIFY(form->rootItem());

        QCOMPARE(FormEditorView::stateNames(model), names);
        QStringList listed;
        for (int row = 1; row < form->stateBox()->count(); ++row)
            listed.append(form->stateBox()->itemText(row));
        QCOMPARE(listed, names);
        QCOMPARE(form->stateBox()->parentWidget()->isVisibleTo(form), !names.isEmpty());

        const auto titleText = [&] {
            const QList<QQuickItem *> children = form->rootItem()->childItems();
            return children.isEmpty() ? QString() : children.first()->property("text").toString();
        };
        form->setCurrentState(chosen);
        const QString shown = names.contains(chosen) ? chosen : QString();
        QCOMPARE(form->currentState(), shown);
        QCOMPARE(form->rootItem()->state(), shown);
        QCOMPARE(titleText(), text);
        QCOMPARE(form->stateBox()->currentData().toString(), shown);

        // A new rendering keeps the state; leaving the base state through the
        // model's selection, choosing something a state changes shows that state.
        screen.view.renderNow();
        QCOMPARE(titleText(), text);
        form->setCurrentState(QString());
        for (Node *node : model->allNodes()) {
            if (node->typeName() == u"PropertyChanges") {
                model->setSelectedNodes({ node });
                QCOMPARE(form->currentState(),
                         node->parentNode()->property("name").value().toString());
            }
        }
    }

    void qmlErrorsInIssues_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("description");

        QTest::newRow("does not parse")
            << QByteArray("import QtQuick\nItem {\n    width: 10\n") << 4 << "Expected token";
        QTest::newRow("missing module")
            << QByteArray("import QtQuick\nimport Foo.Bar 1.0\nItem {}\n") << 2
            << "module \"Foo.Bar\" is not installed";
        QTest::newRow("unknown type")
            << QByteArray("import QtQuick\nItem {\n    Txet {}\n}\n") << 3 << "Txet is not a type";
        QTest::newRow("runaway script")
            << QByteArray("import QtQuick\nItem { Component.onCompleted: { for (;;) {} } }\n") << -1
            << "was stopped";
    }

    void qmlErrorsInIssues()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, description);
        const QString path = m_dir.filePath(QStringLiteral("Broken.ui.qml"));
        QVERIFY(writeFile(path, text));
        auto *issues = Host::Projects::IssueList::instance();
        Form broken(path, 0, 300);
        const auto errors = [&] {
            return qPrintable(broken.form()->errors().join('\n'));
        };

        const Host::Projects::Issues found = issues->issues(FormEditorView::issueCategory);
        QVERIFY2(found.size() >= 1, errors());
        QCOMPARE(found.first().type, Host::Projects::Issue::Error);
        QCOMPARE(found.first().file.toString(), path);
        QCOMPARE(found.first().line, line);
        QVERIFY2(found.first().description.contains(description),
                 qPrintable(found.first().description));
        QCOMPARE(issues->category(FormEditorView::issueCategory).displayName,
                 QStringLiteral("QML"));

        // Mended, the document has no issue left.
        broken.document.document()->setPlainText(QString::fromLatin1(screen));
        broken.document.rewriter()->synchronizeWithText();
        broken.view.renderNow();
        QVERIFY2(issues->issues(FormEditorView::issueCategory).isEmpty(), errors());

        // Broken again by typing, then closed: the list follows both.
        broken.document.document()->setPlainText(QString::fromLatin1(text));
        QTRY_VERIFY(!issues->issues(FormEditorView::issueCategory).isEmpty());
        broken.model()->detachView(&broken.view);
        QVERIFY(issues->issues(FormEditorView::issueCategory).isEmpty());
    }

    // "project|document" files in a fresh folder ("a|b" makes two); the catalogue
    // expected relative to it, empty when there is none.
    void translationFileOfDocument_data()
    {
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");

        QTest::newRow("document in a project folder")
            << "app.qmlproject|content/screens/Main.ui.qml"
            << "ar"
            << "i18n/qml_ar.qm";
        QTest::newRow("regional code") << "app.qmlproject|a/B.qml"
                                       << "pt-BR"
                                       << "i18n/qml_pt-BR.qm";
        QTest::newRow("nearest project wins")
            << "outer/app.qmlproject|outer/inner/x.qmlproject|outer/inner/c/Main.qml"
            << "fr"
            << "outer/inner/i18n/qml_fr.qm";
        QTest::newRow("no language") << "app.qmlproject|Main.qml"
                                     << ""
                                     << "";
    }

    void translationFileOfDocument()
    {
        QFETCH(QString, files);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QStringList names = files.split(QLatin1Char('|'));
        for (const QString &name : names)
            QVERIFY(writeFile(dir.filePath(name), {}));
        QCOMPARE(FormEditorView::translationFileFor(QUrl::fromLocalFile(dir.filePath(names.last())),
                                                    language),
                 expected.isEmpty() ? QString() : QDir::cleanPath(dir.filePath(expected)));
    }
};

QTEST_MAIN(tst_FormEditorViews)
#include "tst_formeditorviews.moc"
