#include <core/editorcontext.h>
#include <designer/callsites.h>
#include <designer/designerview.h>
#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <designer/typedescription.h>
#include <designer/typeregistry.h>
#include <designer/viewmanager.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditorwidget.h>

#include <QColor>
#include <QPointer>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <functional>

using namespace Host::Designer;

namespace {

// Writes down every notification with what the model holds at that moment, so
// a test sees both the order and whether "about to" came before the change.
class RecordingView : public DesignerView
{
public:
    QStringList log;

    static QString describe(const NodeProperties &properties)
    {
        QStringList parts;
        for (const auto &property : properties) {
            parts.append(QString::fromUtf8(property.name()) + QLatin1Char('=')
                         + (property.isBinding() ? property.expression() : property.sourceText()));
        }
        return parts.join(QLatin1Char(','));
    }
    static QString nameOf(const Node *node)
    {
        return !node               ? QStringLiteral("null")
            : node->id().isEmpty() ? node->typeName()
                                   : node->id();
    }
    void add(const char *what, const QString &text) { log.append(what + text); }

    void modelAttached(DocumentModel *model) override
    {
        DesignerView::modelAttached(model);
        add("attached:", QString::number(model->allNodes().size()));
    }
    void modelAboutToBeDetached(DocumentModel *model) override
    {
        add("detached", {});
        DesignerView::modelAboutToBeDetached(model);
    }
    void nodeAboutToBeRemoved(Node *node) override { add("aboutToRemove:", nameOf(node)); }
    void nodeRemoved(Node *parent, const QByteArray &) override { add("removed:", nameOf(parent)); }
    void nodeReparented(Node *node, Node *newParent, Node *oldParent) override
    {
        add("reparented:", nameOf(node) + ':' + nameOf(oldParent) + "->" + nameOf(newParent));
    }
    void propertiesAboutToBeRemoved(const NodeProperties &properties) override
    {
        add("aboutToRemoveProperties:", describe(properties));
    }
    void propertiesRemoved(const NodeProperties &properties) override
    {
        QStringList names;
        for (const auto &property : properties)
            names.append(QString::fromUtf8(property.name())
                         + (property.exists() ? QStringLiteral("(still there)") : QString()));
        add("propertiesRemoved:", names.join(QLatin1Char(',')));
    }
    void bindingPropertiesAboutToBeChanged(const NodeProperties &properties) override
    {
        add("aboutToChange:", describe(properties));
    }
    void bindingPropertiesChanged(const NodeProperties &properties) override
    {
        add("changed:", describe(properties));
    }
    void auxiliaryDataChanged(Node *node, const QByteArray &name, const QVariant &data) override
    {
        add("auxiliary:", nameOf(node) + ':' + QString::fromUtf8(name) + '=' + data.toString());
    }
    void selectionChanged(const QList<Node *> &selected, const QList<Node *> &deselected) override
    {
        add("selection:", QStringLiteral("%1/%2").arg(selected.size()).arg(deselected.size()));
    }
};

// A document with a recording view attached; the attach is not in the log.
struct Recorded : FormDocument
{
    explicit Recorded(const QString &text) : parsed(setText(text))
    {
        model()->attachView(&view);
        view.log.clear();
    }
    bool parsed;
    RecordingView view;
};

const char *const sample = R"(import QtQuick

Rectangle {
    id: root
    width: 640
    color: "white"

    Text {
        id: title
        text: qsTrId("title")
        font.pixelSize: 12 + 2
    }
    Column {
        id: column
        Text { id: first; text: "plain" }
        Text {
            id: second
        }
    }
    states: [
        State { name: "a" },
        State { name: "b" }
    ]
}
)";

// "type#id{name=expr;name:literal}" for every node, depth first: what the
// model holds, independent of how it was reached.
QString outline(const QList<Node *> &nodes)
{
    QStringList parts;
    for (const Node *node : nodes) {
        QStringList properties;
        for (const NodeProperty &property : node->properties())
            properties.append(QString::fromUtf8(property.name())
                              + (property.isBinding() ? QLatin1Char('=') : QLatin1Char(':'))
                              + property.sourceText());
        parts.append(node->typeName() + QLatin1Char('#') + node->id() + QLatin1Char('{')
                     + properties.join(QLatin1Char(';')) + QLatin1Char('}'));
    }
    return parts.join(QLatin1Char(' '));
}

// Every source range the model keeps must still cover the text it came from.
void verifyRanges(FormDocument &document)
{
    const QString text = document.document()->toPlainText();
    for (const Node *node : document.model()->allNodes()) {
        const QString nodeText
            = text.mid(node->sourceBegin(), node->sourceEnd() - node->sourceBegin());
        QVERIFY2(nodeText.contains(node->typeName()) && nodeText.endsWith(QLatin1Char('}')),
                 qPrintable(nodeText));
        for (const NodeProperty &property : node->properties()) {
            // `font { pixelSize: 12 }` writes only the last part of the name.
            const QString name = QString::fromUtf8(property.name());
            QVERIFY2(nodeText.contains(name.mid(name.lastIndexOf(QLatin1Char('.')) + 1)
                                       + QStringLiteral(": ") + property.sourceText()),
                     qPrintable(name));
        }
    }
}

// The model after a change must equal the model a fresh parse of the text gives.
void verifyMatchesText(FormDocument &document)
{
    FormDocument reparsed;
    QString error;
    QVERIFY2(reparsed.setText(document.document()->toPlainText(), &error), qPrintable(error));
    QCOMPARE(outline(document.model()->allNodes()), outline(reparsed.model()->allNodes()));
    for (qsizetype index = 0; index < document.model()->allNodes().size(); ++index) {
        QCOMPARE(document.model()->allNodes()[index]->sourceBegin(),
                 reparsed.model()->allNodes()[index]->sourceBegin());
        QCOMPARE(document.model()->allNodes()[index]->sourceEnd(),
                 reparsed.model()->allNodes()[index]->sourceEnd());
    }
    verifyRanges(document);
}

} // namespace

namespace {

// Adds bindings to the node it is told about, the first time only: enough new
// properties to move the node's others in memory.
class AddingView : public RecordingView
{
public:
    void bindingPropertiesAboutToBeChanged(const NodeProperties &properties) override
    {
        RecordingView::bindingPropertiesAboutToBeChanged(properties);
        if (std::exchange(added, true))
            return;
        Node *node = properties.first().parentNode();
        for (int index = 0; index < 16; ++index)
            QVERIFY(model()->setBindingProperty(node,
                                                QByteArray("extra") + QByteArray::number(index),
                                                QStringLiteral("x + %1").arg(index)));
    }
    bool added = false;
};

} // namespace

class tst_Designer : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");

        QTest::newRow("sample") << QString::fromUtf8(sample)
                                << QStringLiteral(
                                       "Rectangle#root{width:640;color:\"white\"} "
                                       "Text#title{text=qsTrId(\"title\");font.pixelSize=12 + 2} "
                                       "Column#column{} Text#first{text:\"plain\"} Text#second{} "
                                       "State#{name:\"a\"} State#{name:\"b\"}");
        QTest::newRow("semicolons and negative literal")
            << QStringLiteral("import QtQuick\nItem { x: -3; y: 2 ; z: a.b; }")
            << QStringLiteral("Item#{x:-3;y:2;z=a.b}");
        QTest::newRow("block binding and declared property")
            << QStringLiteral(
                   "import QtQuick\nItem {\n property string label: qsTrId(\"l\") + \"!\"\n "
                   "width: { return 4 }\n property int n\n function f() {}\n}")
            << QStringLiteral("Item#{label=qsTrId(\"l\") + \"!\";width={ return 4 }}");
        QTest::newRow("object binding")
            << QStringLiteral("import QtQuick\nItem { transform: Rotation { angle: 3 } }")
            << QStringLiteral("Item#{} Rotation#{angle:3}");
        QTest::newRow("without imports") << QStringLiteral("Item {}") << QStringLiteral("Item#{}");
        QTest::newRow("grouped property blocks")
            << QStringLiteral("import QtQuick\nText {\n    font { pixelSize: 12; family: f }\n    "
                              "Item { id: i; anchors { left: parent.left; margins: 2 } }\n    "
                              "anchors.fill: parent\n}")
            << QStringLiteral("Text#{font.pixelSize:12;font.family=f;anchors.fill=parent} "
                              "Item#i{anchors.left=parent.left;anchors.margins:2}");
        QTest::newRow("qualified type is still an object")
            << QStringLiteral("import QtQuick as Q\nQ.Item { Q.Text { text: \"t\" } }")
            << QStringLiteral("Q.Item#{} Q.Text#{text:\"t\"}");
    }

    void parse()
    {
        QFETCH(QString, source);
        QFETCH(QString, expected);
        FormDocument document;
        QString error;
        QVERIFY2(document.setText(source, &error), qPrintable(error));
        QCOMPARE(outline(document.model()->allNodes()), expected);
        verifyRanges(document);
    }

    void parseErrorKeepsModel()
    {
        FormDocument document;
        QVERIFY(document.setText(QString::fromUtf8(sample)));
        const QString before = outline(document.model()->allNodes());
        Node *title = document.model()->nodeForId(QStringLiteral("title"));

        QTextCursor cursor(document.document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("Item {"));
        QVERIFY(!document.rewriter()->synchronizeWithText());
        QVERIFY(!document.model()->errors().isEmpty());
        QCOMPARE(outline(document.model()->allNodes()), before);
        QCOMPARE(document.model()->nodeForId(QStringLiteral("title")), title);
    }

    void setBindingProperty_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("nodeId");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QStringList>("expectedLog");

        const QString item
            = QStringLiteral("import QtQuick\nItem {\n    id: a\n    width: 3\n    "
                             "Text {\n        id: t\n        text: qsTrId(\"x\")\n    }\n}\n");
        QTest::newRow("replace binding")
            << item << "t" << QByteArray("text") << "qsTrId(\"y\")"
            << QString(item).replace("qsTrId(\"x\")", "qsTrId(\"y\")")
            << QStringList { "aboutToChange:text=qsTrId(\"x\")", "changed:text=qsTrId(\"y\")" };
        QTest::newRow("literal becomes binding")
            << item << "a" << QByteArray("width") << "parent.width / 2"
            << QString(item).replace("width: 3", "width: parent.width / 2")
            << QStringList { "aboutToChange:width=3", "changed:width=parent.width / 2" };
        QTest::newRow("new property after the last one")
            << item << "a" << QByteArray("height") << "width * 2"
            << QString(item).replace("width: 3\n", "width: 3\n    height: width * 2\n")
            << QStringList { "aboutToChange:height=", "changed:height=width * 2" };
        QTest::newRow("new property after the id")
            << QStringLiteral("Item {\n    id: a\n    Item {}\n}") << "a" << QByteArray("z")
            << "1 + 1" << QStringLiteral("Item {\n    id: a\n    z: 1 + 1\n    Item {}\n}")
            << QStringList { "aboutToChange:z=", "changed:z=1 + 1" };
        QTest::newRow("new property in an empty one-line object")
            << QStringLiteral("Item {\n    Text {}\n}") << "" << QByteArray("text")
            << "qsTrId(\"n\")"
            << QStringLiteral("Item {\n    Text {\n        text: qsTrId(\"n\")\n    }\n}")
            << QStringList { "aboutToChange:text=", "changed:text=qsTrId(\"n\")" };
        QTest::newRow("new property in front of children")
            << QStringLiteral("Item {\n    Item { id: c }\n}") << "^" << QByteArray("x") << "c.x"
            << QStringLiteral("Item {\n    x: c.x\n    Item { id: c }\n}")
            << QStringList { "aboutToChange:x=", "changed:x=c.x" };
        QTest::newRow("same expression changes nothing")
            << item << "t" << QByteArray("text") << "qsTrId(\"x\")" << item << QStringList {};
        const QString grouped = QStringLiteral(
            "Text {\n    id: a\n    font {\n        pixelSize: 12\n        bold: b\n    }\n}");
        QTest::newRow("binding in a group block")
            << grouped << "a" << QByteArray("font.pixelSize") << "size * 2"
            << QString(grouped).replace("pixelSize: 12", "pixelSize: size * 2")
            << QStringList { "aboutToChange:font.pixelSize=12", "changed:font.pixelSize=size * 2" };
        QTest::newRow("new property behind a group block")
            << grouped << "a" << QByteArray("z") << "b + 1"
            << QString(grouped).replace("    }\n}", "    }\n    z: b + 1\n}")
            << QStringList { "aboutToChange:z=", "changed:z=b + 1" };
        QTest::newRow("binding ending in a semicolon")
            << QStringLiteral("Item { id: a; x: b + 1; y: 2 }") << "a" << QByteArray("x")
            << "b + 22" << QStringLiteral("Item { id: a; x: b + 22; y: 2 }")
            << QStringList { "aboutToChange:x=b + 1", "changed:x=b + 22" };
        // A null expression removes the properties named.
        QTest::newRow("remove, own lines")
            << QStringLiteral("Item {\n    id: a\n    x: 1\n    y: f(2)\n    z: 3\n}") << "a"
            << QByteArray("y,x") << QString() << QStringLiteral("Item {\n    id: a\n    z: 3\n}")
            << QStringList { "aboutToRemoveProperties:y=f(2),x=1", "propertiesRemoved:y,x" };
        QTest::newRow("remove, shared line")
            << QStringLiteral("Item { id: a; x: g(1); y: 2 }") << "a" << QByteArray("x")
            << QString() << QStringLiteral("Item { id: a;  y: 2 }")
            << QStringList { "aboutToRemoveProperties:x=g(1)", "propertiesRemoved:x" };
        QTest::newRow("remove, last line of the document")
            << QStringLiteral("Item { id: a\n    x: 1 }") << "a" << QByteArray("x") << QString()
            << QStringLiteral("Item { id: a\n     }")
            << QStringList { "aboutToRemoveProperties:x=1", "propertiesRemoved:x" };
        QTest::newRow("remove, unknown name")
            << QStringLiteral("Item { id: a; x: 1 }") << "a" << QByteArray("q") << QString()
            << QStringLiteral("Item { id: a; x: 1 }") << QStringList {};
    }

    void setBindingProperty()
    {
        QFETCH(QString, source);
        QFETCH(QString, nodeId);
        QFETCH(QByteArray, name);
        QFETCH(QString, expression);
        QFETCH(QString, expectedText);
        QFETCH(QStringList, expectedLog);
        Recorded document(source);
        QVERIFY(document.parsed);
        RecordingView &view = document.view;

        // "" names the last node, "^" the root.
        Node *node = nodeId.isEmpty()      ? document.model()->allNodes().last()
            : nodeId == QLatin1String("^") ? document.model()->rootNode()
                                           : document.model()->nodeForId(nodeId);
        QVERIFY(node);
        if (expression.isNull()) {
            NodeProperties properties;
            for (const QByteArray &each : name.split(','))
                properties.append(node->property(each));
            QCOMPARE(document.model()->removeProperties(properties), !expectedLog.isEmpty());
        } else {
            QVERIFY(document.model()->setBindingProperty(node, name, expression));
        }
        QCOMPARE(document.document()->toPlainText(), expectedText);
        QCOMPARE(view.log, expectedLog);
        QVERIFY(!document.rewriter()->hasPendingTextChanges());
        verifyMatchesText(document);
        if (expression.isNull())
            return;
        QVERIFY(node->hasBindingProperty(name));
        QCOMPARE(node->property(name).expression(), expression);

        // A second change must land on the moved ranges as well.
        QVERIFY(
            document.model()->setBindingProperty(node, name, expression + QStringLiteral(" + 0")));
        verifyMatchesText(document);
    }

    // No new parent: the node is removed. The outline lists "type#id" for all nodes.
    void removeOrReparentNode_data()
    {
        QTest::addColumn<QString>("nodeId");
        QTest::addColumn<QString>("newParentId");
        QTest::addColumn<QString>("expectedOutline");
        QTest::addColumn<QStringList>("expectedLog");

        const QString states = " State#stateA State#stateB";
        QTest::newRow("leaf") << "first"
                              << ""
                              << "Rectangle#root Text#title Column#column Text#second" + states
                              << QStringList { "aboutToRemove:first", "removed:column" };
        QTest::newRow("subtree") << "column"
                                 << ""
                                 << "Rectangle#root Text#title" + states
                                 << QStringList { "aboutToRemove:column", "removed:root" };
        QTest::newRow("list element")
            << "stateA"
            << ""
            << "Rectangle#root Text#title Column#column Text#first Text#second State#stateB"
            << QStringList { "aboutToRemove:stateA", "removed:root" };
        QTest::newRow("last list element")
            << "stateB"
            << ""
            << "Rectangle#root Text#title Column#column Text#first Text#second State#stateA"
            << QStringList { "aboutToRemove:stateB", "removed:root" };
        QTest::newRow("into a sibling")
            << "title"
            << "column"
            << "Rectangle#root Column#column Text#first Text#second Text#title" + states
            << QStringList { "reparented:title:root->column" };
        QTest::newRow("out to the root")
            << "second"
            << "root"
            << "Rectangle#root Text#title Column#column Text#first" + states + " Text#second"
            << QStringList { "reparented:second:column->root" };
        QTest::newRow("into a one-line object")
            << "second"
            << "first"
            << "Rectangle#root Text#title Column#column Text#first Text#second" + states
            << QStringList { "reparented:second:column->first" };
    }

    void removeOrReparentNode()
    {
        QFETCH(QString, nodeId);
        QFETCH(QString, newParentId);
        QFETCH(QString, expectedOutline);
        QFETCH(QStringList, expectedLog);
        Recorded document(QString::fromUtf8(sample)
                              .replace("State { name: \"a\" }", "State { id: stateA }")
                              .replace("State { name: \"b\" }", "State { id: stateB }"));
        QVERIFY(document.parsed);
        DocumentModel *model = document.model();
        Node *node = model->nodeForId(nodeId);
        Node *newParent = model->nodeForId(newParentId);
        QVERIFY(newParentId.isEmpty() ? model->removeNode(node)
                                      : model->reparentNode(node, newParent));
        QCOMPARE(document.view.log, expectedLog);
        QStringList names;
        for (const Node *each : model->allNodes())
            names.append(each->typeName() + QLatin1Char('#') + each->id());
        QCOMPARE(names.join(QLatin1Char(' ')), expectedOutline);
        verifyMatchesText(document);
        if (!newParent) {
            QVERIFY(!document.document()->toPlainText().contains(QLatin1String("id: ") + nodeId));
            return;
        }
        // The moved node's ranges are right: its bindings can still be edited.
        QCOMPARE(node->parentNode(), newParent);
        QVERIFY(model->setBindingProperty(node, "opacity", QStringLiteral("0.5 * 1")));
        verifyMatchesText(document);
    }

    void refusedChanges_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("unparsable");
        QTest::newRow("remove root") << 0 << false;
        QTest::newRow("reparent into own child") << 1 << false;
        QTest::newRow("binding named id") << 2 << false;
        QTest::newRow("binding with an invalid name") << 3 << false;
        QTest::newRow("empty expression") << 4 << false;
        QTest::newRow("node of another model") << 5 << false;
        // The model's ranges are those of the last text that parsed.
        QTest::newRow("binding while the text does not parse") << 6 << true;
        QTest::newRow("remove node while the text does not parse") << 7 << true;
        QTest::newRow("remove property while the text does not parse") << 8 << true;
        QTest::newRow("reparent while the text does not parse") << 9 << true;
    }

    void refusedChanges()
    {
        QFETCH(int, change);
        QFETCH(bool, unparsable);
        Recorded document(QString::fromUtf8(sample));
        FormDocument other;
        QVERIFY(document.parsed && other.setText(QString::fromUtf8(sample)));
        DocumentModel *model = document.model();
        Node *title = model->nodeForId(QStringLiteral("title"));
        if (unparsable) {
            // In front of every node, so all ranges the model holds are off.
            QTextCursor cursor(document.document());
            cursor.setPosition(int(document.document()->toPlainText().indexOf("Rectangle")));
            cursor.insertText(QStringLiteral("Item { x: (\n"));
        }
        const QString before = document.document()->toPlainText();
        const std::function<bool()> changes[] = {
            [&] { return model->removeNode(model->rootNode()); },
            [&] {
                return model->reparentNode(model->nodeForId("column"), model->nodeForId("second"));
            },
            [&] { return model->setBindingProperty(title, "id", QStringLiteral("x")); },
            [&] { return model->setBindingProperty(title, "te xt", QStringLiteral("x")); },
            [&] { return model->setBindingProperty(title, "text", QStringLiteral("  ")); },
            [&] { return model->removeNode(other.model()->nodeForId("title")); },
            [&] {
                return model->setBindingProperty(title, "text", QStringLiteral("qsTrId(\"new\")"));
            },
            [&] { return model->removeNode(title); },
            [&] { return model->removeProperties({ title->property("text") }); },
            [&] { return model->reparentNode(title, model->nodeForId("column")); },
        };
        QVERIFY(!changes[change]());
        QCOMPARE(document.document()->toPlainText(), before);
        QVERIFY(document.view.log.isEmpty());
        QCOMPARE(model->nodeForId(QStringLiteral("title")), title);
        QCOMPARE(document.rewriter()->hasPendingTextChanges(), unparsable);
    }

    void viewChangesTheNodeWhenTold_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("existing binding") << QByteArray("text");
        QTest::newRow("existing literal") << QByteArray("width");
        QTest::newRow("new binding") << QByteArray("height");
    }

    void viewChangesTheNodeWhenTold()
    {
        QFETCH(QByteArray, name);
        FormDocument document;
        QVERIFY(document.setText(
            QStringLiteral("import QtQuick\nItem {\n    Text {\n        id: t\n        width: 3\n"
                           "        text: qsTrId(\"a\")\n    }\n}\n")));
        AddingView view;
        document.model()->attachView(&view);
        Node *node = document.model()->nodeForId(QStringLiteral("t"));

        const QString expression = QStringLiteral("qsTrId(\"changed\")");
        QVERIFY(document.model()->setBindingProperty(node, name, expression));
        QVERIFY(view.added);
        QCOMPARE(node->property(name).expression(), expression);
        QCOMPARE(node->property("extra15").expression(), QStringLiteral("x + 15"));
        QVERIFY(document.document()->toPlainText().contains(QString::fromUtf8(name) + ": "
                                                            + expression));
        verifyMatchesText(document);
    }

    void textEdit_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("expectedLog");

        QTest::newRow("argument changed") << "qsTrId(\"title\")"
                                          << "qsTrId(\"other\")"
                                          << QStringList { "aboutToChange:text=qsTrId(\"title\")",
                                                           "changed:text=qsTrId(\"other\")" };
        QTest::newRow("binding removed")
            << "        text: qsTrId(\"title\")\n"
            << ""
            << QStringList { "aboutToRemoveProperties:text=qsTrId(\"title\")",
                             "propertiesRemoved:text" };
        QTest::newRow("binding added")
            << "id: second"
            << "id: second; text: qsTrId(\"n\")"
            << QStringList { "aboutToChange:text=", "changed:text=qsTrId(\"n\")" };
        QTest::newRow("literal edited") << "640"
                                        << "641" << QStringList {};
        QTest::newRow("object added")
            << "Column {"
            << "Column {\nItem {}" << QStringList { "detached", "attached:8" };
    }

    void textEdit()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, expectedLog);
        Recorded document(QString::fromUtf8(sample));
        QVERIFY(document.parsed);
        RecordingView &view = document.view;
        Node *title = document.model()->nodeForId(QStringLiteral("title"));
        document.model()->setAuxiliaryData(document.model()->rootNode(), "language@Internal", "de");
        view.log.clear();

        const QString text = document.document()->toPlainText();
        const int position = int(text.indexOf(from));
        QVERIFY(position >= 0);
        QTextCursor cursor(document.document());
        cursor.setPosition(position);
        cursor.setPosition(position + int(from.size()), QTextCursor::KeepAnchor);
        cursor.insertText(to);

        // Nothing happens before the rewriter gets to it; then exactly once.
        QVERIFY(view.log.isEmpty());
        QVERIFY(document.rewriter()->hasPendingTextChanges());
        QTRY_VERIFY(!document.rewriter()->hasPendingTextChanges());
        QCOMPARE(view.log, expectedLog);
        QCOMPARE(document.model()->rootNode()->auxiliaryData("language@Internal").toString(),
                 QStringLiteral("de"));
        if (!expectedLog.contains(QLatin1String("detached")))
            QCOMPARE(document.model()->nodeForId(QStringLiteral("title")), title);
        verifyMatchesText(document);
    }

    void auxiliaryDataAndSelection()
    {
        Recorded document(QString::fromUtf8(sample));
        QVERIFY(document.parsed);
        RecordingView &view = document.view;
        DocumentModel *model = document.model();
        Node *title = model->nodeForId(QStringLiteral("title"));
        Node *first = model->nodeForId(QStringLiteral("first"));
        const QString before = document.document()->toPlainText();

        model->setAuxiliaryData(title, "FrameColor@Internal", QColor(Qt::red));
        QCOMPARE(title->auxiliaryData("FrameColor@Internal").value<QColor>(), QColor(Qt::red));
        QCOMPARE(document.document()->toPlainText(), before);

        model->setSelectedNodes({ title, first, title });
        QCOMPARE(view.selectedNodes(), (QList<Node *> { title, first }));
        QCOMPARE(view.firstSelectedNode(), title);
        QVERIFY(!view.hasSingleSelectedNode());
        // Removing a selected node deselects it after it is gone.
        QVERIFY(model->removeNode(model->nodeForId(QStringLiteral("column"))));
        QCOMPARE(view.selectedNodes(), QList<Node *> { title });
        QCOMPARE(view.log,
                 (QStringList { "auxiliary:title:FrameColor@Internal=#ff0000",
                                "selection:2/0",
                                "aboutToRemove:column",
                                "removed:root",
                                "selection:1/1" }));
    }

    void nodeAtPosition_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");

        QTest::newRow("root type name") << 3 << 1 << "root";
        QTest::newRow("root property") << 5 << 5 << "root";
        QTest::newRow("child type name") << 8 << 5 << "title";
        QTest::newRow("inside child binding") << 10 << 20 << "title";
        QTest::newRow("child closing brace") << 12 << 5 << "title";
        QTest::newRow("one-line grandchild") << 15 << 20 << "first";
        QTest::newRow("between children") << 16 << 1 << "column";
        QTest::newRow("imports") << 1 << 1 << "";
        QTest::newRow("root closing brace") << 24 << 1 << "root";
        QTest::newRow("after the root") << 25 << 1 << "";
        QTest::newRow("past the last line") << 99 << 1 << "";
    }

    void nodeAtPosition()
    {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, expected);
        FormDocument document;
        QVERIFY(document.setText(QString::fromUtf8(sample)));
        Node *node = document.rewriter()->nodeAtPosition(line, column);
        QCOMPARE(node ? (node->id().isEmpty() ? node->typeName() : node->id()) : QString(),
                 expected);
        if (node) {
            const auto [nodeLine, nodeColumn]
                = document.rewriter()->lineAndColumn(node->sourceBegin());
            QCOMPARE(document.rewriter()->nodeAtPosition(nodeLine, nodeColumn), node);
        }
    }

    void callSites_data()
    {
        QTest::addColumn<QString>("text");
        // "argument@line:column" per call found, in source order; "!" alone: a parse error.
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("bindings and a list")
            << "import QtQuick\nItem {\n    property string a: qsTrId(\"one\")\n"
               "    property var b: [ { label: qsTrId('two') } ]\n}\n"
            << QStringList { "one@3:24", "two@4:32" };
        QTest::newRow("function bodies and the no-op marker")
            << "import QtQuick\nItem {\n    function f() { return QT_TRID_NOOP(\"three\") }\n}\n"
            << QStringList { "three@3:27" };
        // Only calls count: not comments, not strings, not other functions, not
        // IDs that are computed.
        QTest::newRow("what is no call of the function")
            << "import QtQuick\nItem {\n    // qsTrId(\"comment\")\n"
               "    property string a: \"qsTrId(\\\"string\\\")\"\n"
               "    property string b: qsTr(\"plain\")\n"
               "    property string c: qsTrId(\"x\" + a)\n"
               "    property string d: Qt.qsTrId(\"member\")\n}\n"
            << QStringList {};
        QTest::newRow("text that does not parse") << "import QtQuick\nItem {\n"
                                                  << QStringList { "!" };
    }

    void callSites()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QString error;
        const QList<Host::Designer::CallSites::Site> sites
            = Host::Designer::CallSites::find(text, { "qsTrId", "QT_TRID_NOOP" }, &error);
        if (expected == QStringList { "!" }) {
            QVERIFY(sites.isEmpty());
            QVERIFY(!error.isEmpty());
            return;
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QStringList found;
        for (const Host::Designer::CallSites::Site &site : sites) {
            found.append(
                QStringLiteral("%1@%2:%3").arg(site.argument).arg(site.line).arg(site.column));
            // The offset is where the line and column point.
            QCOMPARE(text.mid(site.offset, site.function.size()), site.function);
        }
        QCOMPARE(found, expected);
    }

    void typeDescription_data()
    {
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QByteArray>("expected");

        const auto row = [](const char *type, const char *property, const char *expected) {
            QTest::addRow("%s.%s", type, property)
                << QString(type) << QByteArray(property) << QByteArray(expected);
        };
        row("Text", "text", "string");
        row("Text", "lineCount", "int");
        row("Text", "font", "font");
        row("Text", "horizontalAlignment", "enumeration");
        row("Item", "width", "real");
        row("Item", "visible", "bool");
        row("Item", "parent", "Item");
        row("Item", "objectName", "string");
        row("Rectangle", "color", "color");
        row("Image", "source", "url");
        row("Item", "children", "list<Item>");
        row("Text", "bogus", nullptr);
        row("NoSuchType", "text", nullptr);
    }

    void typeDescription()
    {
        QFETCH(QString, typeName);
        QFETCH(QByteArray, property);
        QFETCH(QByteArray, expected);
        FormDocument document;
        QVERIFY(document.setText(QStringLiteral("import QtQuick\nItem { %1 {} }").arg(typeName)));
        if (typeName == QLatin1String("NoSuchType"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No type information for"));
        const TypeDescription description = document.model()->allNodes().last()->typeDescription();
        QCOMPARE(description.propertyTypeName(property), expected);
        QCOMPARE(description.isValid(), typeName != QLatin1String("NoSuchType"));
        if (description.isValid()) {
            // Base types first: QObject's property, then Item's, then the type's own.
            const QList<QByteArray> names = description.propertyNames();
            QCOMPARE(names.first(), QByteArray("objectName"));
            QVERIFY(names.indexOf("x") < names.indexOf("width"));
            if (typeName == QLatin1String("Text"))
                QVERIFY(names.indexOf("width") < names.indexOf("text"));
        }
    }

    void typeDescriptionIsCached()
    {
        FormDocument document;
        QVERIFY(document.setText(
            QStringLiteral("import QtQuick\nItem { Text {} Text {} Rectangle {} }")));
        const int before = TypeRegistry::instance()->instantiationCount();
        for (Node *node : document.model()->allNodes())
            node->typeDescription();
        for (Node *node : document.model()->allNodes())
            node->typeDescription();
        QVERIFY(TypeRegistry::instance()->instantiationCount() - before <= 3);

        // The registry lives until the process ends; its engine must go with the
        // application object, not after it.
        QCOMPARE(qApp->findChildren<QQmlEngine *>(Qt::FindDirectChildrenOnly).size(), 1);
    }

    void viewManager()
    {
        ViewManager manager;
        FormDocument one;
        FormDocument two;
        QVERIFY(one.setText(QStringLiteral("Item { Item {} }")));
        QVERIFY(two.setText(QStringLiteral("Item {}")));

        auto owned = std::make_unique<RecordingView>();
        QPointer<RecordingView> view = owned.get();
        manager.registerView(std::move(owned));
        QVERIFY(!view->isAttached());

        manager.setCurrentDocument(&one);
        QCOMPARE(view->model(), one.model());
        QCOMPARE(Host::Core::EditorContext::instance()->currentDocument(), one.textDocument());
        manager.setCurrentDocument(&two);
        QCOMPARE(view->model(), two.model());
        QVERIFY(one.model()->views().isEmpty());
        QCOMPARE(view->log, (QStringList { "attached:2", "detached", "attached:1" }));

        // A view registered while a document is open is attached at once.
        auto late = std::make_unique<RecordingView>();
        QPointer<RecordingView> lateView = late.get();
        manager.registerView(std::move(late));
        QCOMPARE(lateView->log, QStringList { "attached:1" });

        // An unregistered view is detached and gone; the next document reaches
        // only the others.
        manager.unregisterView(lateView);
        QVERIFY(!lateView);
        QCOMPARE(two.model()->views(), QList<DesignerView *> { view.data() });
        QCOMPARE(manager.views(), QList<DesignerView *> { view.data() });
        manager.setCurrentDocument(&one);
        QCOMPARE(one.model()->views(), QList<DesignerView *> { view.data() });
        manager.unregisterView(nullptr);
        QCOMPARE(manager.views().size(), 1);

        manager.destroyViews();
        QVERIFY(!view);
        QVERIFY(!lateView);
        QVERIFY(one.model()->views().isEmpty());
    }

    void textDocument()
    {
        QTemporaryDir directory;
        const auto path = Host::Utils::Path::fromString(directory.filePath("Main.ui.qml"));
        {
            QFile file(path.toString());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("import QtQuick\nText { text: qsTrId(\"caf\xc3\xa9\") }\n");
        }

        FormDocument document;
        QString error;
        QVERIFY2(document.open(path, &error), qPrintable(error));
        QCOMPARE(document.filePath(), path);
        QCOMPARE(document.projectDirectory(), path.parentDir());
        Node *text = document.model()->rootNode();
        QCOMPARE(text->property("text").expression(), QString::fromUtf8("qsTrId(\"caf\xc3\xa9\")"));

        Host::TextEditor::TextEditorWidget *editor = document.textEditorWidget();
        QCOMPARE(editor->document(), document.document());
        QCOMPARE(editor->textDocument(), document.textDocument());
        editor->gotoLine(2, 6);
        QCOMPARE(editor->textCursor().position(), 15 + 5);

        QVERIFY(
            document.model()->setBindingProperty(text, "text", QStringLiteral("qsTrId(\"b\")")));
        QVERIFY(document.textDocument()->save(&error));
        QFile file(path.toString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("import QtQuick\nText { text: qsTrId(\"b\") }\n"));

        FormDocument missing;
        QVERIFY(
            !missing.open(Host::Utils::Path::fromString(directory.filePath("none.qml")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_Designer)
#include "tst_designer.moc"
