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
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
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

private slots:
    void initTestCase();
    void navigatorShowsNodes();
    void navigatorSelectionIsModelSelection_data();
    void navigatorSelectionIsModelSelection();
    void declarationPositions_data();
    void declarationPositions();
    void framesFromAuxiliaryData_data();
    void framesFromAuxiliaryData();
    void formFollowsTextEdits();
    void clickSelectsNodeUnderPointer_data();
    void clickSelectsNodeUnderPointer();
    void statesListedAndShown_data();
    void statesListedAndShown();
    void formFollowsRegeneratedTranslations();
    void qmlErrorsInIssues_data();
    void qmlErrorsInIssues();
    void translationFileOfDocument_data();
    void translationFileOfDocument();

private:
    QString screenPath() const { return m_dir.filePath(QStringLiteral("Screen.ui.qml")); }

    QTemporaryDir m_dir;
};

void tst_FormEditorViews::initTestCase()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QVERIFY(m_dir.isValid());
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("Screen.ui.qml")), screen));
}

void tst_FormEditorViews::navigatorShowsNodes()
{
    Form screen(screenPath());
    QVERIFY(screen.opened);
    DocumentModel *model = screen.model();
    NodeNavigatorView view;
    QAbstractItemModelTester tester(view.treeModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    std::unique_ptr<QWidget> widget(view.widgetDescription().widget);
    model->attachView(&view);
    const QStringList expected { "root (Rectangle)",  " title (Text)", " Column",
                                 "  box (Rectangle)", "  Rectangle",   " busy (State)",
                                 "  PropertyChanges" };
    QCOMPARE(treeLines(view.treeModel()), expected);

    // Removing a node rebuilds the rows without it.
    QVERIFY(model->removeNode(nodeByPath(model, { 1, 0 })));
    QCOMPARE(treeLines(view.treeModel()),
             (QStringList { "root (Rectangle)",
                            " title (Text)",
                            " Column",
                            "  Rectangle",
                            " busy (State)",
                            "  PropertyChanges" }));

    model->detachView(&view);
    QCOMPARE(view.treeModel()->rowCount(), 0);
}

void tst_FormEditorViews::navigatorSelectionIsModelSelection_data()
{
    QTest::addColumn<QList<QList<int>>>("paths"); // node paths below the root
    QTest::addColumn<bool>("fromTree");

    QTest::newRow("tree row selects the node") << QList<QList<int>> { { 0 } } << true;
    QTest::newRow("several rows, nested") << QList<QList<int>> { { 0 }, { 1, 1 } } << true;
    QTest::newRow("model selection shows in the tree") << QList<QList<int>> { { 1, 0 } } << false;
    QTest::newRow("several model nodes") << QList<QList<int>> { { 1 }, { 2, 0 } } << false;
    QTest::newRow("clearing from the tree") << QList<QList<int>> {} << true;
}

void tst_FormEditorViews::navigatorSelectionIsModelSelection()
{
    QFETCH(QList<QList<int>>, paths);
    QFETCH(bool, fromTree);

    Form screen(screenPath());
    QVERIFY(screen.opened);
    DocumentModel *model = screen.model();
    NodeNavigatorView view;
    std::unique_ptr<QTreeView> tree(qobject_cast<QTreeView *>(view.widgetDescription().widget));
    QVERIFY(tree);
    model->attachView(&view);
    // Something selected before, so that each case must replace it.
    model->setSelectedNodes({ model->rootNode() });

    QList<Node *> nodes;
    for (const QList<int> &path : paths)
        nodes.append(nodeByPath(model, path));
    QVERIFY(!nodes.contains(nullptr));

    if (fromTree) {
        QItemSelection selection;
        for (Node *node : nodes)
            selection.select(view.treeModel()->indexOf(node), view.treeModel()->indexOf(node));
        tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    } else {
        model->setSelectedNodes(nodes);
    }
    QList<Node *> modelSelection = model->selectedNodes();
    QList<Node *> treeSelection;
    for (const QModelIndex &index : tree->selectionModel()->selectedRows())
        treeSelection.append(NodeTreeModel::nodeOf(index));
    const auto byPosition = [](Node *a, Node *b) {
        return a->sourceBegin() < b->sourceBegin();
    };
    std::sort(modelSelection.begin(), modelSelection.end(), byPosition);
    std::sort(treeSelection.begin(), treeSelection.end(), byPosition);
    std::sort(nodes.begin(), nodes.end(), byPosition);
    QCOMPARE(modelSelection, nodes);
    QCOMPARE(treeSelection, nodes);
}

void tst_FormEditorViews::declarationPositions_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");

    QTest::newRow("root") << QList<int> {} << 3 << 1;
    QTest::newRow("child") << QList<int> { 0 } << 6 << 5;
    QTest::newRow("grandchild") << QList<int> { 1, 1 } << 10 << 9;
    // Objects in a property's list: the compiler counts from the type name.
    QTest::newRow("state in a list") << QList<int> { 2 } << 13 << 9;
    QTest::newRow("inside the state") << QList<int> { 2, 0 } << 13 << 31;
}

void tst_FormEditorViews::declarationPositions()
{
    QFETCH(QList<int>, path);
    QFETCH(int, line);
    QFETCH(int, column);

    Form screen(screenPath());
    QVERIFY(screen.opened);
    DocumentModel *model = screen.model();
    Node *node = nodeByPath(model, path);
    QVERIFY(node);
    const FormView::SourcePosition position = FormEditorView::declarationPosition(node);
    QCOMPARE(position.line, line);
    QCOMPARE(position.column, column);
}

void tst_FormEditorViews::framesFromAuxiliaryData_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QRect>("expected"); // null: no frame

    QTest::newRow("text") << QList<int> { 0 } << QColor(Qt::red) << QRect(10, 10, 100, 20);
    QTest::newRow("in a positioner")
        << QList<int> { 1, 1 } << QColor(Qt::magenta) << QRect(0, 130, 60, 40);
    QTest::newRow("root") << QList<int> {} << QColor(Qt::green) << QRect(0, 0, 300, 200);
    // A state's text is tested where the state sets it; the frame goes
    // around the object the state changes.
    QTest::newRow("changes of a state frame their target")
        << QList<int> { 2, 0 } << QColor(Qt::red) << QRect(10, 10, 100, 20);
    QTest::newRow("a state itself has nothing to frame")
        << QList<int> { 2 } << QColor(Qt::red) << QRect();
    // The test overlay clears a frame with transparent black first.
    QTest::newRow("transparent is no frame") << QList<int> { 0 } << QColor(0, 0, 0, 0) << QRect();
    QTest::newRow("invalid colour is no frame") << QList<int> { 0 } << QColor() << QRect();
}

void tst_FormEditorViews::framesFromAuxiliaryData()
{
    QFETCH(QList<int>, path);
    QFETCH(QColor, color);
    QFETCH(QRect, expected);

    Form screen(screenPath());
    QVERIFY(screen.opened);
    QVERIFY2(screen.form()->rootItem(), qPrintable(screen.form()->errors().join('\n')));

    Node *node = nodeByPath(screen.model(), path);
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

void tst_FormEditorViews::formFollowsRegeneratedTranslations()
{
    const QString lrelease
        = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QLatin1String("/lrelease");
    if (!QFile::exists(lrelease))
        LEXORA_PEER_MISSING("lrelease is missing");
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Screen.ui.qml")),
                      "import QtQuick\nText { text: qsTrId(\"t\") }\n"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("i18n")));
    // Generation replaces the file, as Qt's compiler writing beside it and a rename do.
    const auto generate = [&](const char *text) {
        const QString ts = dir.filePath(QStringLiteral("qml_de.ts"));
        const QString qm = dir.filePath(QStringLiteral("i18n/qml_de.qm"));
        const QByteArray content
            = QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                         "<TS version=\"2.1\" language=\"de\"><context><name></name>"
                         "<message id=\"t\"><source>t</source><translation>")
            + text + "</translation></message></context></TS>\n";
        return writeFile(ts, content.constData())
            && QProcess::execute(lrelease, { "-silent", "-idbased", ts, "-qm", qm + ".new" }) == 0
            && std::rename(QFile::encodeName(qm + ".new").constData(),
                           QFile::encodeName(qm).constData())
            == 0;
    };
    QVERIFY(generate("Eins"));

    Form shown(dir.filePath(QStringLiteral("Screen.ui.qml")));
    QVERIFY(shown.opened);
    shown.model()->setAuxiliaryData(
        shown.model()->rootNode(), "language@Internal", QStringLiteral("de"));
    const auto text = [&] {
        return shown.form()->rootItem()->property("text").toString();
    };
    QCOMPARE(text(), QStringLiteral("Eins"));

    // No language picked again: the new file reaches the form by itself.
    QVERIFY(generate("Zwei"));
    QTRY_COMPARE(text(), QStringLiteral("Zwei"));
    QVERIFY(generate("Drei"));
    QTRY_COMPARE(text(), QStringLiteral("Drei"));
}

void tst_FormEditorViews::formFollowsTextEdits()
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

using Paths = QList<QList<int>>; // node paths below the root

void tst_FormEditorViews::clickSelectsNodeUnderPointer_data()
{
    QTest::addColumn<Paths>("before");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("hover"); // the name shown under the pointer
    QTest::addColumn<Paths>("after");
    QTest::addColumn<QList<QRect>>("drawn"); // selection frames on the form

    const Qt::KeyboardModifiers none;
    QTest::newRow("text") << Paths { { 1, 0 } } << QPoint(20, 15) << none << "title"
                          << Paths { { 0 } } << QList<QRect> { { 10, 10, 100, 20 } };
    QTest::newRow("without an id: outlined, not named")
        << Paths {} << QPoint(55, 150) << none << "" << Paths { { 1, 1 } }
        << QList<QRect> { { 0, 130, 60, 40 } };
    QTest::newRow("root between its children")
        << Paths { { 0 } } << QPoint(250, 150) << none << "root" << Paths { {} }
        << QList<QRect> { { 0, 0, 300, 200 } };
    QTest::newRow("ctrl adds to the selection")
        << Paths { { 0 } } << QPoint(5, 105) << Qt::KeyboardModifiers(Qt::ControlModifier) << "box"
        << Paths { { 0 }, { 1, 0 } } << QList<QRect> { { 10, 10, 100, 20 }, { 0, 100, 50, 30 } };
    QTest::newRow("ctrl takes a selected node out")
        << Paths { { 0 }, { 1, 0 } } << QPoint(20, 15) << Qt::KeyboardModifiers(Qt::ControlModifier)
        << "title" << Paths { { 1, 0 } } << QList<QRect> { { 0, 100, 50, 30 } };
}

void tst_FormEditorViews::clickSelectsNodeUnderPointer()
{
    QFETCH(Paths, before);
    QFETCH(QPoint, point);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, hover);
    QFETCH(Paths, after);
    QFETCH(QList<QRect>, drawn);

    Form screen(screenPath());
    DocumentModel *model = screen.model();
    NodeNavigatorView navigator;
    std::unique_ptr<QTreeView> tree(
        qobject_cast<QTreeView *>(navigator.widgetDescription().widget));
    model->attachView(&navigator);
    screen.widget->resize(400, 300);
    screen.widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.widget.get()));
    const auto nodesAt = [&](const Paths &paths) {
        QList<Node *> nodes;
        for (const QList<int> &path : paths)
            nodes.append(nodeByPath(model, path));
        return nodes;
    };
    model->setSelectedNodes(nodesAt(before));

    QWidget *surface = screen.form()->quickWidget();
    QTest::mouseMove(surface, point);
    QTRY_VERIFY(!screen.form()->selectionOverlay()->hoverRect().isEmpty());
    QCOMPARE(screen.form()->selectionOverlay()->hoverText(), hover);
    QTest::mouseClick(surface, Qt::LeftButton, modifiers, point);

    const QList<Node *> expected = nodesAt(after);
    QCOMPARE(model->selectedNodes(), expected);
    QList<Node *> treeSelection;
    for (const QModelIndex &index : tree->selectionModel()->selectedRows())
        treeSelection.append(NodeTreeModel::nodeOf(index));
    QCOMPARE(QSet<Node *>(treeSelection.begin(), treeSelection.end()),
             QSet<Node *>(expected.begin(), expected.end()));
    QList<QRect> rects;
    for (const QRectF &rect : screen.form()->selectionOverlay()->selectionRects())
        rects.append(rect.toRect());
    QCOMPARE(rects, drawn);
    // The selection is no finding: the frames of translation tests stay as they were.
    QVERIFY(screen.form()->overlay()->frames().isEmpty());
}

void tst_FormEditorViews::statesListedAndShown_data()
{
    QTest::addColumn<QString>("states"); // the root's `states` list
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("text"); // the title's text in the chosen state

    const QString busy = R"(State { name: "busy"; PropertyChanges { target: title; text: "b" } })";
    const QString idle = R"(State { name: "idle"; PropertyChanges { target: title; text: "i" } })";
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

void tst_FormEditorViews::statesListedAndShown()
{
    QFETCH(QString, states);
    QFETCH(QStringList, names);
    QFETCH(QString, chosen);
    QFETCH(QString, text);

    const QString file = m_dir.filePath(QStringLiteral("States.ui.qml"));
    const QByteArray qml = "import QtQuick\nRectangle {\n    width: 300; height: 200\n"
                           "    Text { id: title; text: \"a\" }\n    states: ["
        + states.toUtf8() + "]\n}\n";
    QVERIFY(writeFile(file, qml));
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
            QCOMPARE(form->currentState(), node->parentNode()->property("name").value().toString());
        }
    }
}

void tst_FormEditorViews::qmlErrorsInIssues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("description");

    QTest::newRow("does not parse")
        << QByteArray("import QtQuick\nItem {\n    width: 10\n") << 4 << "Expected token";
    QTest::newRow("missing module") << QByteArray("import QtQuick\nimport Foo.Bar 1.0\nItem {}\n")
                                    << 2 << "module \"Foo.Bar\" is not installed";
    QTest::newRow("unknown type") << QByteArray("import QtQuick\nItem {\n    Txet {}\n}\n") << 3
                                  << "Txet is not a type";
    QTest::newRow("runaway script")
        << QByteArray("import QtQuick\nItem { Component.onCompleted: { for (;;) {} } }\n") << -1
        << "was stopped";
}

void tst_FormEditorViews::qmlErrorsInIssues()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, description);

    const QString path = m_dir.filePath(QStringLiteral("Broken.ui.qml"));
    QVERIFY(writeFile(path, text.constData()));
    auto *issues = Host::Projects::IssueList::instance();
    Form broken(path, 0, 300);
    FormEditorView &view = broken.view;
    FormDocument &document = broken.document;

    const Host::Projects::Issues found = issues->issues(FormEditorView::issueCategory);
    QVERIFY2(found.size() >= 1, qPrintable(view.formView()->errors().join('\n')));
    QCOMPARE(found.first().type, Host::Projects::Issue::Error);
    QCOMPARE(found.first().file.toString(), path);
    QCOMPARE(found.first().line, line);
    QVERIFY2(found.first().description.contains(description),
             qPrintable(found.first().description));
    QCOMPARE(issues->category(FormEditorView::issueCategory).displayName, QStringLiteral("QML"));

    // Mended, the document has no issue left.
    document.document()->setPlainText(QString::fromLatin1(screen));
    document.rewriter()->synchronizeWithText();
    view.renderNow();
    QVERIFY2(issues->issues(FormEditorView::issueCategory).isEmpty(),
             qPrintable(view.formView()->errors().join('\n')));

    // Broken again by typing, then closed: the list follows both.
    document.document()->setPlainText(QString::fromLatin1(text));
    QTRY_VERIFY(!issues->issues(FormEditorView::issueCategory).isEmpty());
    document.model()->detachView(&view);
    QVERIFY(issues->issues(FormEditorView::issueCategory).isEmpty());
}

void tst_FormEditorViews::translationFileOfDocument_data()
{
    QTest::addColumn<QString>("projectFile"); // relative to a fresh directory; empty: none
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("expected"); // relative; empty: no file

    QTest::newRow("document in a project folder") << "app.qmlproject"
                                                  << "content/screens/Main.ui.qml"
                                                  << "ar"
                                                  << "i18n/qml_ar.qm";
    QTest::newRow("regional code") << "app.qmlproject"
                                   << "a/B.qml"
                                   << "pt-BR"
                                   << "i18n/qml_pt-BR.qm";
    QTest::newRow("nearest project wins") << "outer/app.qmlproject"
                                          << "outer/inner/x.qmlproject|outer/inner/c/Main.qml"
                                          << "fr"
                                          << "outer/inner/i18n/qml_fr.qm";
    QTest::newRow("no language") << "app.qmlproject"
                                 << "Main.qml"
                                 << ""
                                 << "";
}

void tst_FormEditorViews::translationFileOfDocument()
{
    QFETCH(QString, projectFile);
    QFETCH(QString, document);
    QFETCH(QString, language);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QStringList files = document.split(QLatin1Char('|'));
    document = files.last();
    files.append(projectFile);
    for (const QString &name : files)
        QVERIFY(writeFile(dir.filePath(name), {}));
    const QString found
        = FormEditorView::translationFileFor(QUrl::fromLocalFile(dir.filePath(document)), language);
    QCOMPARE(found, expected.isEmpty() ? QString() : QDir::cleanPath(dir.filePath(expected)));
}

QTEST_MAIN(tst_FormEditorViews)
#include "tst_formeditorviews.moc"
